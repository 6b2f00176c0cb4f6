// The shoot editor as a user meets it on the mouse page: the skin's editor in a headless
// window, its notifications routed to it as the main window does, real gun files in a temp
// folder and the shipped factory files as the defaults.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <json/value.h>

#include "device/protocol/shoot_image.h"
#include "editors/shoot_control_ui.h"
#include "platform/folders.h"
#include "profile/json_file.h"
#include "support/temp_dir.h"
#include "uikit/button.h"
#include "uikit/container.h"
#include "uikit/headless_backend.h"
#include "uikit/headless_input.h"
#include "uikit/paint_manager.h"
#include "uikit/resource_manager.h"
#include "uikit/window.h"

namespace {

using namespace kx58;
using namespace kx58::ui;
using kx58test::ReadWholeFile;
using kx58test::WriteWholeFile;

// The fonts, defaults and styles of the main window, which the editor's skin relies on.
std::string MainWindowLooks() {
    std::ifstream main(std::string(KX58_SKIN_FOLDER) + "main.xml");
    std::string line, looks;
    while (std::getline(main, line)) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start == std::string::npos) continue;
        const std::string_view tag = std::string_view(line).substr(start);
        if (tag.starts_with("<Font") || tag.starts_with("<Default") || tag.starts_with("<Style")) looks += line + "\n";
    }
    return looks;
}

class MousePageWindow : public WindowImplBase {
public:
    std::string GetWindowClassName() const override { return "ShootEditorTestWnd"; }
    std::string GetSkinFile() override {
        return "<Window size=\"660,220\" bkcolor=\"#FF1B1D23\">" + MainWindowLooks() +
               "<VerticalLayout inset=\"10,10,10,10\" bkcolor=\"#FF1B1D23\">"
               "<Include source=\"XML\\CustomControlXML\\ShootControl.xml\"/></VerticalLayout></Window>";
    }
    void Notify(TNotifyUI& msg) override {
        if (editor) notices.push_back(editor->TakeNotify(msg));
        WindowImplBase::Notify(msg);
    }
    CShootControlUI* editor = nullptr;
    std::vector<ShootNotice> notices;
};

class ShootEditor : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterShootEditorControls(); }

    void SetUp() override {
        CResourceManager::GetInstance()->Release();
        CPaintManagerUI::SetResourcePath(KX58_SKIN_FOLDER);
        ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage("lan_en.xml"));
        input = std::make_unique<HeadlessInput>(window);
        ASSERT_TRUE(window.Create(nullptr, "shoot", UI_WNDSTYLE_FRAME & ~WS_VISIBLE, 0, 0, 0, 660, 220));
        window.ShowWindow(true);
        input->RunUntilIdle();
        editor = dynamic_cast<CShootControlUI*>(window.GetPaintManager().FindControl("ShootControlItem"));
        ASSERT_NE(editor, nullptr);
        editor->SetUserFolder(user);
        editor->SetDefaultsFolder(KX58_DEFAULTS_FOLDER);
    }
    void TearDown() override {
        window.Destroy();
        CResourceManager::GetInstance()->Release();
    }
    void SetUpEditor() {
        ASSERT_TRUE(editor->SetUp());
        window.editor = editor;
        input->RunUntilIdle();
    }
    template <typename T>
    T* Find(const std::string& name) {
        return dynamic_cast<T*>(window.GetPaintManager().FindControl(name));
    }
    std::string TextOf(const std::string& name) { return Find<CControlUI>(name)->GetText(); }
    bool IsSelected(const std::string& name) { return Find<COptionUI>(name)->IsSelected(); }
    void TypeInto(const std::string& name, const std::string& text) {
        ASSERT_TRUE(input->Click(name));
        input->KeyPress('A', MODIFIER_CONTROL);
        input->TypeText(text);
    }
    // The options of a numbered family that are selected.
    std::vector<int> SelectedOf(const std::string& prefix, int count) {
        std::vector<int> selected;
        for (int n = 0; n < count; ++n)
            if (IsSelected(prefix + std::to_string(n))) selected.push_back(n);
        return selected;
    }
    std::string UserFile(int gun) const { return ShootFilePath(user, gun); }
    std::string DefaultsFile(int gun) const { return ShootFilePath(KX58_DEFAULTS_FOLDER, gun); }
    ShootNotice Clicked(const std::string& name) {
        window.notices.clear();
        EXPECT_TRUE(input->Click(name));
        for (const ShootNotice& notice : window.notices)
            if (notice.request != ShootRequest::NotMine) return notice;
        return {};
    }

    kx58test::TempDir root;
    std::string user = root / "Mouse/";
    MousePageWindow window;
    std::unique_ptr<HeadlessInput> input;
    CShootControlUI* editor = nullptr;
};

TEST_F(ShootEditor, AFreshUserFolderGetsEveryGunFromTheDefaults) {
    SetUpEditor();
    EXPECT_TRUE(editor->ControlsFound());
    for (int gun = 0; gun < kShootGunCount; ++gun) {
        EXPECT_EQ(ReadWholeFile(UserFile(gun)), ReadWholeFile(DefaultsFile(gun))) << gun;
        EXPECT_EQ(ReadShootEvents(user, gun).size(), kMaxShootEvents) << gun;
    }
}

TEST_F(ShootEditor, ABrokenGunFileIsReplacedAtSetUpAndKeptAside) {
    CreateFolders(user);
    WriteWholeFile(UserFile(1), "{ not json");
    const std::string mine = "{\"Events\": []}";
    WriteWholeFile(UserFile(3), mine);
    SetUpEditor();
    EXPECT_EQ(ReadWholeFile(UserFile(1)), ReadWholeFile(DefaultsFile(1)));
    EXPECT_EQ(ReadWholeFile(UserFile(1) + ".broken"), "{ not json");
    EXPECT_EQ(ReadWholeFile(UserFile(3)), mine);  // a readable file is the user's, even when empty
}

TEST_F(ShootEditor, BulletNumbersBeyondTheGunAreBroughtIntoRange) {
    SetUpEditor();
    editor->SelectBullet(35);
    EXPECT_EQ(editor->CurrentBullet(), 29);
    EXPECT_EQ(TextOf("bullet_select_index"), "30");
    EXPECT_EQ(SelectedOf("bullet_op_", kShootBulletCount), std::vector<int>{29});
    editor->SelectBullet(-2);
    EXPECT_EQ(editor->CurrentBullet(), 0);
    EXPECT_EQ(TextOf("bullet_select_index"), "1");
    EXPECT_EQ(SelectedOf("bullet_op_", kShootBulletCount), std::vector<int>{0});
}

TEST_F(ShootEditor, PreviousAndNextStopAtTheEnds) {
    SetUpEditor();
    Clicked("bullet_selected_next");
    EXPECT_EQ(editor->CurrentBullet(), 0);  // from none to the first
    Clicked("bullet_selected_prev");
    EXPECT_EQ(editor->CurrentBullet(), 0);
    ASSERT_TRUE(input->Click("bullet_op_28"));
    Clicked("bullet_selected_next");
    Clicked("bullet_selected_next");
    EXPECT_EQ(editor->CurrentBullet(), 29);
    EXPECT_EQ(TextOf("bullet_select_index"), "30");
}

TEST_F(ShootEditor, ClickingABulletShowsItsMovesFromTheGunFile) {
    SetUpEditor();
    EXPECT_FALSE(Find<CControlUI>("bullet_edit_layout")->IsEnabled());  // no bullet chosen yet
    ASSERT_TRUE(input->Click("shoot_gun_op_2"));
    ASSERT_TRUE(input->Click("bullet_op_4"));
    const MacroEventList events = ReadShootEvents(user, 2);
    const MacroEvent& x = events[4 * 6 + 2];
    const MacroEvent& y = events[4 * 6 + 3];
    EXPECT_TRUE(Find<CControlUI>("bullet_edit_layout")->IsEnabled());
    EXPECT_EQ(Find<CTabLayoutUI>("shoot_image_display_switch")->GetCurSel(), 2);
    EXPECT_EQ(SelectedOf("shoot_gun_op_", kShootGunCount), std::vector<int>{2});
    EXPECT_EQ(TextOf("bullet_x_eidt"), std::to_string(x.button));
    EXPECT_EQ(TextOf("bullet_y_eidt"), std::to_string(y.button));
    EXPECT_EQ(TextOf("bullet_delay_eidt"), std::to_string(y.delay));
    EXPECT_EQ(TextOf("bullet_x_check"), x.down ? "Move left" : "Move right");
    EXPECT_EQ(TextOf("bullet_y_check"), y.down ? "Move up" : "Move down");
}

TEST_F(ShootEditor, SavingBulletZeroOfGunTwoWritesItsSixEvents) {
    SetUpEditor();
    ASSERT_TRUE(input->Click("shoot_gun_op_2"));
    ASSERT_TRUE(input->Click("bullet_op_0"));
    if (!IsSelected("bullet_x_check")) {
        ASSERT_TRUE(input->Click("bullet_x_check"));
    }
    if (IsSelected("bullet_y_check")) {
        ASSERT_TRUE(input->Click("bullet_y_check"));
    }
    EXPECT_EQ(TextOf("bullet_x_check"), "Move left");
    EXPECT_EQ(TextOf("bullet_y_check"), "Move down");
    TypeInto("bullet_x_eidt", "12");
    TypeInto("bullet_y_eidt", "30");
    TypeInto("bullet_delay_eidt", "90");
    const ShootNotice saved = Clicked("shootdate_save_btn");
    EXPECT_EQ(saved.request, ShootRequest::WriteToMouse);
    EXPECT_EQ(saved.result, ShootResult::Ok);

    const Json::Value events = ReadJsonDocument(UserFile(2))["Events"];
    ASSERT_EQ(events.size(), kMaxShootEvents);
    const auto expect = [&](int index, const char* action, int button, int delay, int type) {
        const Json::Value& event = events[index];
        EXPECT_EQ(event["Action"].asString(), action) << index;
        ASSERT_TRUE(event["Button"].isInt() && event["Delay"].isInt()) << index;  // integers, not text
        EXPECT_EQ(event["Button"].asInt(), button) << index;
        EXPECT_EQ(event["Delay"].asInt(), delay) << index;
        EXPECT_EQ(event["Type"].asInt(), type) << index;
    };
    expect(0, "down", 1, 10, 1);
    expect(1, "up", 1, 0, 1);
    expect(2, "down", 12, 5, 4);
    expect(3, "up", 30, 90, 5);
    expect(4, "down", 0, 0, 4);
    expect(5, "up", 0, 0, 5);
    // The other bullets and guns are as shipped.
    const Json::Value shipped = ReadJsonDocument(DefaultsFile(2))["Events"];
    for (Json::ArrayIndex i = 6; i < kMaxShootEvents; ++i) EXPECT_EQ(events[i], shipped[i]) << i;
    EXPECT_EQ(ReadWholeFile(UserFile(1)), ReadWholeFile(DefaultsFile(1)));
}

TEST_F(ShootEditor, ADistanceKeepsItsLowByteAndIsShownAsStored) {
    SetUpEditor();
    ASSERT_TRUE(input->Click("bullet_op_3"));
    TypeInto("bullet_y_eidt", "300");
    EXPECT_EQ(Clicked("shootdate_save_btn").result, ShootResult::Ok);
    EXPECT_EQ(TextOf("bullet_y_eidt"), "44");
    EXPECT_EQ(ReadShootEvents(user, 0)[3 * 6 + 3].button, 44);
}

TEST_F(ShootEditor, SavingIntoAShortFilePadsItWithStillBullets) {
    CreateFolders(user);
    WriteWholeFile(UserFile(0), "{\"Name\": \"mine\", \"Events\": []}");
    SetUpEditor();
    ASSERT_TRUE(input->Click("bullet_op_2"));
    EXPECT_EQ(TextOf("bullet_delay_eidt"), "0");  // a bullet the file lacks reads as zeros
    TypeInto("bullet_delay_eidt", "95");
    EXPECT_EQ(Clicked("shootdate_save_btn").result, ShootResult::Ok);
    const Json::Value document = ReadJsonDocument(UserFile(0));
    EXPECT_EQ(document["Name"].asString(), "mine");
    EXPECT_EQ(document["Events"].size(), 18u);
    const MacroEventList events = ReadShootEvents(user, 0);
    EXPECT_EQ(events[6].type, 1);  // bullet 1 is a still bullet: a click, moves of 0
    EXPECT_EQ(events[9].button, 0);
    EXPECT_EQ(events[15].delay, 95);
}

TEST_F(ShootEditor, ResetBringsBackTheFactoryGunAndShowsIt) {
    SetUpEditor();
    ASSERT_TRUE(input->Click("bullet_op_0"));
    const std::string shippedDelay = TextOf("bullet_delay_eidt");
    TypeInto("bullet_delay_eidt", "999");
    ASSERT_EQ(Clicked("shootdate_save_btn").result, ShootResult::Ok);
    ASSERT_NE(ReadWholeFile(UserFile(0)), ReadWholeFile(DefaultsFile(0)));
    EXPECT_EQ(Clicked("shootdate_reset_btn").result, ShootResult::Ok);
    EXPECT_EQ(ReadWholeFile(UserFile(0)), ReadWholeFile(DefaultsFile(0)));
    EXPECT_EQ(TextOf("bullet_delay_eidt"), shippedDelay);
}

TEST_F(ShootEditor, RefusedImportsChangeNothing) {
    SetUpEditor();
    ASSERT_TRUE(input->Click("shoot_gun_op_1"));
    ASSERT_TRUE(input->Click("bullet_op_0"));
    EXPECT_EQ(Clicked("shootdate_import_btn").request, ShootRequest::ChooseImportFile);
    const std::string before = ReadWholeFile(UserFile(1));
    const std::string shownDelay = TextOf("bullet_delay_eidt");

    WriteWholeFile(root / "text.shoot", "recoil, but not as JSON");
    EXPECT_EQ(editor->Import(root / "text.shoot"), ShootResult::NotJson);
    WriteWholeFile(root / "list.shoot", "[1, 2, 3]");
    EXPECT_EQ(editor->Import(root / "list.shoot"), ShootResult::NotJson);
    Json::Value big(Json::objectValue);
    big["Events"] = Json::Value(Json::arrayValue);
    big["Padding"] = std::string((1u << 20) + 1, ' ');
    WriteWholeFile(root / "big.shoot", StyledJsonText(big));
    EXPECT_EQ(editor->Import(root / "big.shoot"), ShootResult::TooLarge);
    Json::Value many = ReadJsonDocument(DefaultsFile(1));
    for (int k = 0; k < kShootEventsPerBullet; ++k) many["Events"].append(many["Events"][k]);  // bullet 31
    WriteWholeFile(root / "many.shoot", StyledJsonText(many));
    EXPECT_EQ(editor->Import(root / "many.shoot"), ShootResult::TooManyBullets);
    EXPECT_EQ(editor->Import(""), ShootResult::NoPath);

    EXPECT_EQ(ReadWholeFile(UserFile(1)), before);
    EXPECT_EQ(TextOf("bullet_delay_eidt"), shownDelay);
    EXPECT_STREQ(ShootResultTextId(ShootResult::TooManyBullets), "shoot_import_too_many_text");
}

TEST_F(ShootEditor, ExportThenImportCarriesAGunToAnother) {
    SetUpEditor();
    ASSERT_TRUE(input->Click("shoot_gun_op_3"));
    EXPECT_EQ(Clicked("shootdate_export_btn").request, ShootRequest::ChooseExportFile);
    ASSERT_EQ(editor->Export(root / "dmr.shoot"), ShootResult::Ok);
    EXPECT_EQ(ReadWholeFile(root / "dmr.shoot"), ReadWholeFile(UserFile(3)));
    ASSERT_TRUE(input->Click("shoot_gun_op_0"));
    ASSERT_TRUE(input->Click("bullet_op_5"));
    ASSERT_EQ(editor->Import(root / "dmr.shoot"), ShootResult::Ok);
    EXPECT_EQ(ReadWholeFile(UserFile(0)), ReadWholeFile(UserFile(3)));
    EXPECT_EQ(TextOf("bullet_delay_eidt"), std::to_string(ReadShootEvents(user, 3)[5 * 6 + 3].delay));
    EXPECT_EQ(editor->Export(""), ShootResult::NoPath);
}

TEST_F(ShootEditor, BeforeThePageGivesItsFoldersNoFileIsTouched) {
    editor->SetUserFolder("");
    SetUpEditor();
    ASSERT_TRUE(input->Click("bullet_op_0"));
    TypeInto("bullet_delay_eidt", "90");
    const ShootNotice saved = Clicked("shootdate_save_btn");
    EXPECT_EQ(saved.result, ShootResult::NotWritten);
    EXPECT_EQ(saved.request, ShootRequest::Done);  // nothing new for the mouse
    EXPECT_STREQ(ShootResultTextId(saved.result), "shoot_file_not_written_text");
    EXPECT_FALSE(PathExists("ShootData_0.Shoot"));
    EXPECT_FALSE(PathExists(user));
}

// A picture of the editor at the size of the mouse page's operation area, for a look.
TEST_F(ShootEditor, RendersIntoTheOperationArea) {
    SetUpEditor();
    ASSERT_TRUE(input->Click("shoot_gun_op_1"));
    ASSERT_TRUE(input->Click("bullet_op_6"));
    const RECT area = editor->GetPos();
    EXPECT_LE(area.right - area.left, 640);
    EXPECT_LE(area.bottom - area.top, 200);
    for (const char* name : {"bullet_op_29", "shootdate_save_btn", "bullet_delay_eidt", "shoot_gun_op_3"}) {
        const RECT rc = Find<CControlUI>(name)->GetPos();
        EXPECT_TRUE(rc.left >= area.left && rc.right <= area.right && rc.top >= area.top && rc.bottom <= area.bottom)
            << name;
    }
    CreateFolders(KX58_ARTIFACTS_FOLDER);
    EXPECT_TRUE(input->Target()->SavePng(std::string(KX58_ARTIFACTS_FOLDER) + "shoot_editor.png"));
}

}  // namespace
