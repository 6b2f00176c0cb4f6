// uikit-gallery: shows every control of the UI layer so it can be seen and tried.
//   uikit-gallery [--ready-file PATH] [--quit-after-ms N] [--show menu|message]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gallery_window.h"
#include "platform/folders.h"
#include "uikit/backend_choice.h"
#include "uikit/font.h"
#include "uikit/paint_manager.h"
#include "uikit/private_fonts.h"
#include "uikit/resource_manager.h"

namespace {

bool ParseArguments(int argc, char** argv, gallery::GalleryOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--ready-file") == 0 && hasValue) {
            options.readyFile = argv[++i];
        } else if (std::strcmp(argv[i], "--show") == 0 && hasValue) {
            options.show = argv[++i];
        } else if (std::strcmp(argv[i], "--quit-after-ms") == 0 && hasValue) {
            options.quitAfterMs = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: uikit-gallery [--ready-file PATH] [--quit-after-ms N] [--show menu|message]\n");
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kx58::ui;
    gallery::GalleryOptions options;
    if (!ParseArguments(argc, argv, options)) return 2;
    if (!SetUpWindowBackend("uikit-gallery")) return 1;

    const std::string skin = kx58::Folders::Program() + "gallery_skin/";
    PrivateFontSet fonts;
    fonts.LoadFolder(kx58::Folders::Font());
    CPaintManagerUI::SetResourcePath(skin);
    if (!CResourceManager::GetInstance()->LoadResource("res.xml")) {
        std::fprintf(stderr, "uikit-gallery: the skin folder %s is missing or broken\n", skin.c_str());
        return 1;
    }

    int code = 1;
    {
        auto* window = new gallery::GalleryWnd(options);
        if (window->Create(nullptr, "UI Kit Gallery", UI_WNDSTYLE_FRAME & ~WS_VISIBLE, 0, 0, 0, 1000, 680)) {
            window->CenterWindow();
            window->ShowWindow(true);
            code = CPaintManagerUI::MessageLoop();
        }
        delete window;
    }
    CResourceManager::GetInstance()->Release();
    fonts.UnloadAll();
    return code;
}
