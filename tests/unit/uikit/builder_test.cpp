// Building from skin XML: unknown tags, registered classes, defaults and styles, includes,
// language texts, and broken input.
#include <gtest/gtest.h>

#include "uikit/button.h"
#include "uikit/container.h"
#include "uikit/render.h"
#include "uikit/control_factory.h"
#include "uikit/edit.h"
#include "uikit/label.h"
#include "uikit_test_support.h"

namespace uikittest {
namespace {

class RecordingCallback : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const std::string& className) override {
        asked.push_back(className);
        return className == "Fancy" ? new FancyUI() : nullptr;
    }
    std::vector<std::string> asked;
};

class KeyButtonUI : public CButtonUI {
public:
    std::string GetClass() const override { return "DeviceKeyButtonUI"; }
};

TEST(UikitBuilder, UnknownTagsReachTheCallbackAndRegisteredClassesAreCreated) {
    SkinFolder skins;
    TraceRecorder traces;
    CControlFactory::GetInstance()->RegistControl("CDeviceKeyButtonUI", [] { return new KeyButtonUI(); });
    CPaintManagerUI manager;
    RecordingCallback callback;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(
        "<Window><VerticalLayout name=\"root\"><Fancy name=\"f\"/><DeviceKeyButton name=\"key_12\"/>"
        "<Nonsense name=\"n\"/><Label name=\"after\"/></VerticalLayout></Window>",
        {}, &callback, &manager);
    ASSERT_NE(root, nullptr);
    manager.AttachDialog(root);
    EXPECT_NE(dynamic_cast<FancyUI*>(manager.FindControl("f")), nullptr);
    EXPECT_NE(dynamic_cast<KeyButtonUI*>(manager.FindControl("key_12")), nullptr);
    EXPECT_EQ(manager.FindControl("n"), nullptr);
    EXPECT_NE(manager.FindControl("after"), nullptr);  // building goes on after a bad tag
    EXPECT_EQ(callback.asked, (std::vector<std::string>{"Fancy", "DeviceKeyButton", "Nonsense"}));
    EXPECT_TRUE(traces.Contains("unknown control tag <Nonsense>"));
}

TEST(UikitBuilder, DefaultsStylesAndIncludesApply) {
    SkinFolder skins;
    TestWindow window("XML_CONTROLS");
    CResourceManager::GetInstance()->LoadResource("res.xml");
    ASSERT_TRUE(window.Open());
    auto* ok = window.Find<CButtonUI>("okbtn");
    EXPECT_EQ(ok->GetTextColor(), 0xFFE6E6E6u);  // <Default name="Button">
    EXPECT_EQ(ok->GetFont(), 1);
    auto* edit = window.Find<CEditUI>("num_edit");
    EXPECT_EQ(edit->GetMaxChar(), 4);  // style="dark_edit"
    EXPECT_EQ(edit->GetBkColor(), 0xFF444444u);
    EXPECT_EQ(window.unknownTags, (std::vector<std::string>{"Fancy"}));
    window.Destroy();

    CPaintManagerUI manager;
    CDialogBuilder builder;
    CControlUI* root = builder.Create("<VerticalLayout name=\"root\"><Include source=\"layout.xml\" count=\"2\"/>"
                                      "</VerticalLayout>", {}, nullptr, &manager);
    ASSERT_NE(root, nullptr);
    manager.AttachDialog(root);
    auto* container = static_cast<CContainerUI*>(root->GetInterface("Container"));
    EXPECT_EQ(container->GetCount(), 2);
    EXPECT_NE(manager.FindControl("b1"), nullptr);
}

TEST(UikitBuilder, SharedFontsReachEveryManagerPrivateOnesStayHome) {
    CPaintManagerUI first;
    CPaintManagerUI second;
    CDialogBuilder builder;
    CControlUI* root = builder.Create("<Window><Font id=\"50\" name=\"DejaVu Sans\" size=\"18\" bold=\"true\" shared=\"true\"/>"
                                      "<Font id=\"3\" name=\"DejaVu Serif\" size=\"30\"/><Control/></Window>",
                                      {}, nullptr, &first);
    ASSERT_NE(root, nullptr);
    first.AttachDialog(root);
    EXPECT_TRUE(second.HasFont(50));
    EXPECT_TRUE(second.GetFont(50).bold);
    EXPECT_EQ(second.GetFont(50).size, 18);
    EXPECT_TRUE(first.HasFont(3));
    EXPECT_FALSE(second.HasFont(3));
    EXPECT_EQ(first.GetFont(3).face, "DejaVu Serif");
    // An unknown id falls back to the default font.
    EXPECT_EQ(second.GetFont(77).size, FontInfo().size);
    CPaintManagerUI::RemoveAllSharedFonts();
    EXPECT_FALSE(second.HasFont(50));
    first.RemoveAllFonts();
    EXPECT_FALSE(first.HasFont(3));
}

TEST(UikitBuilder, LanguageSwitchRetextsIdentifiers) {
    SkinFolder skins;
    TestWindow window("XML_CONTROLS");
    auto* resources = CResourceManager::GetInstance();
    resources->LoadResource("res.xml");
    ASSERT_TRUE(window.Open());
    auto* title = window.Find<CLabelUI>("title");
    EXPECT_EQ(title->GetText(), "app_title");  // no language loaded: shown as written

    resources->SetLanguage("English");
    ASSERT_TRUE(resources->LoadLanguage("lan_en.xml"));  // found under lang/
    resources->ReloadText();
    EXPECT_EQ(title->GetText(), "KX58 Device Center");
    EXPECT_TRUE(window.GetPaintManager().IsUpdateNeeded());
    Backend().RunUntilIdle();

    resources->SetLanguage("Deutsch");
    ASSERT_TRUE(resources->LoadLanguage("lang/lan_de.xml"));
    resources->ReloadText();
    EXPECT_EQ(title->GetText(), "KX58 Gerätezentrale");
    EXPECT_EQ(resources->GetLanguage(), "Deutsch");
    // Texts that are no identifier stay; edits never translate what the user typed.
    EXPECT_EQ(window.Find("okbtn")->GetText(), "OK");
    window.Find("text_edit")->SetText("app_title");
    EXPECT_EQ(window.Find("text_edit")->GetText(), "app_title");
    // A missing language file keeps the texts there are.
    TraceRecorder traces;
    EXPECT_FALSE(resources->LoadLanguage("lan_xx.xml"));
    EXPECT_EQ(title->GetText(), "KX58 Gerätezentrale");
    EXPECT_TRUE(traces.Contains("lan_xx.xml"));
    window.Destroy();
}

TEST(UikitBuilder, MalformedSkinAndMissingImagesTraceAndDoNotCrash) {
    SkinFolder skins;
    {
        TraceRecorder traces;
        CPaintManagerUI manager;
        CDialogBuilder builder;
        EXPECT_EQ(builder.Create("broken.xml", {}, nullptr, &manager), nullptr);
        EXPECT_TRUE(traces.Contains("broken.xml"));
        EXPECT_FALSE(builder.GetLastError().empty());
        EXPECT_EQ(builder.Create("no_such_file.xml", {}, nullptr, &manager), nullptr);
        EXPECT_TRUE(traces.Contains("no_such_file.xml"));
        EXPECT_EQ(builder.Create("<Window><Font id=\"1\"/></Window>", {}, nullptr, &manager), nullptr);
        EXPECT_TRUE(traces.Contains("holds no control"));
        // Attribute garbage is read as zero, not as a crash.
        CControlUI* odd = builder.Create("<Control width=\"abc\" pos=\"1,,x\" bkcolor=\"#zz\" "
                                         "padding=\"\" borderround=\"9999999999\"/>", {}, nullptr, &manager);
        ASSERT_NE(odd, nullptr);
        EXPECT_EQ(odd->GetFixedWidth(), 0);
        EXPECT_EQ(odd->GetBkColor(), 0u);
        delete odd;
    }
    {
        // A window whose skin is broken opens empty.
        TraceRecorder traces;
        TestWindow window("broken.xml");
        ASSERT_TRUE(window.Open());
        Backend().RunUntilIdle();
        EXPECT_TRUE(traces.Contains("has no controls"));
        window.Destroy();
    }
    {
        TraceRecorder traces;
        TestWindow window("missing_image.xml");
        ASSERT_TRUE(window.Open());
        HeadlessInput input(window);
        ASSERT_TRUE(input.Click("ghost"));
        window.GetPaintManager().Invalidate();
        Backend().RunUntilIdle();
        EXPECT_EQ(traces.Count("does_not_exist.png"), 1u);  // traced once, not per paint
        EXPECT_EQ(window.Taken("click").size(), 1u);
        window.Destroy();
    }
}

TEST(UikitBuilder, AttributeListsAndImageStringsParse) {
    const auto list = ParseAttributeList("textcolor=\"#FFB0B0B0\" align='center'  font=\"7\" broken");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[1], (std::pair<std::string, std::string>{"align", "center"}));
    EXPECT_EQ(ParseColor("#FF15161A"), 0xFF15161Au);
    EXPECT_EQ(ParseColor("#15161A"), 0xFF15161Au);
    const ImageDrawSpec spec =
        ParseImageString("file='common/min.png' source='0,0,32,32' corner='2,3,4,5' dest='1,1,9,9' fade='100'");
    EXPECT_EQ(spec.file, "common/min.png");
    EXPECT_TRUE(spec.hasSource);
    EXPECT_EQ(spec.source, (RECT{0, 0, 32, 32}));
    EXPECT_EQ(spec.corner, (RECT{2, 3, 4, 5}));
    EXPECT_EQ(spec.dest, (RECT{1, 1, 9, 9}));
    EXPECT_EQ(spec.fade, 100);
    EXPECT_EQ(ParseImageString("plain.png").file, "plain.png");
    EXPECT_EQ(CControlFactory::TagFromClassName("CQuorinUSBDevice"), "QuorinUSBDevice");
    EXPECT_EQ(CControlFactory::TagFromClassName("CDeviceKeyButtonUI"), "DeviceKeyButton");
    EXPECT_EQ(CControlFactory::TagFromClassName("DeviceProfileUI"), "DeviceProfileUI");
}

}  // namespace
}  // namespace uikittest
