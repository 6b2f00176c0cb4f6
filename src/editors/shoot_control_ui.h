#pragma once
// CShootControlUI: the mouse page's shoot (recoil) editor, built from
// "XML\CustomControlXML\ShootControl.xml" as "ShootControlItem". Four guns of 30 bullets; one
// bullet at a time is shown in the edit area and written back to its gun's ".Shoot" file
// through ShootFiles. The page sets the two folders (the mouse's data folder and the
// program's defaults, Folders::Defaults()) and calls SetUp once the skin is built.
//
// The main window routes the editor's notifications here with TakeNotify: clicks of
// "bullet_selected_prev", "bullet_selected_next", "shootdate_reset_btn",
// "shootdate_save_btn", "shootdate_import_btn", "shootdate_export_btn" and "selectchanged" of
// "shoot_gun_op_<n>", "bullet_op_<n>", "bullet_x_check", "bullet_y_check". What needs more
// than the editor comes back as a request: a file to choose (then Import or Export with the
// path) or the shoot image to write to the mouse; a result other than Ok deserves a message
// (ShootResultTextId).
#include <string>
#include <string_view>

#include "editors/named_controls.h"
#include "macro/shoot_files.h"
#include "uikit/container.h"
#include "uikit/ui_events.h"

namespace kx58 {

enum class ShootRequest {
    NotMine,           // a notification of another control
    Done,              // handled here
    WriteToMouse,      // the bullet was saved: the page writes the shoot image
    ChooseImportFile,  // the window asks for a file ("Shoot Files(*.shoot)"), then Import
    ChooseExportFile,  // the same for Export
};

struct ShootNotice {
    ShootRequest request = ShootRequest::NotMine;
    ShootResult result = ShootResult::Ok;
};

// The language text id of a message for the user; nullptr when there is nothing to tell.
const char* ShootResultTextId(ShootResult result);

class CShootControlUI : public ui::CHorizontalLayoutUI {
public:
    std::string GetClass() const override { return "ShootControlUI"; }
    void* GetInterface(std::string_view name) override;

    void SetUserFolder(const std::string& folder) { userFolder_ = folder; }
    void SetDefaultsFolder(const std::string& folder) { defaultsFolder_ = folder; }
    // Finds the controls and gives every gun whose file cannot be read as JSON the factory
    // file. True when every control was found.
    bool SetUp();
    bool ControlsFound() const { return controlsFound_; }

    int CurrentGun() const { return currentGun_; }
    // -1 until a bullet is chosen.
    int CurrentBullet() const { return currentBullet_; }
    void SelectGun(int gun);
    void SelectBullet(int bullet);
    void PreviousBullet() { SelectBullet(currentBullet_ - 1); }
    void NextBullet() { SelectBullet(currentBullet_ + 1); }
    // Shows the current bullet of the current gun in the edit area.
    void LoadBullet();
    // Writes the edit area's values as the current bullet; nothing to do without one.
    [[nodiscard]] ShootResult SaveBullet();
    // The direction options show their new state.
    void ToggleX();
    void ToggleY();
    // The current gun's file from the factory copy, the chosen file or to the chosen path;
    // the edit area follows the file.
    [[nodiscard]] ShootResult Reset();
    [[nodiscard]] ShootResult Import(const std::string& path);
    [[nodiscard]] ShootResult Export(const std::string& path);

    ShootNotice TakeNotify(const ui::TNotifyUI& msg);

private:
    ui::CControlUI* Find(const std::string& name) { return controls_.Find(name); }
    ShootFiles Files() const { return ShootFiles(userFolder_, defaultsFolder_); }
    bool FindEveryControl();
    void SelectOnly(std::string_view prefix, int count, int chosen);
    void ShowDirections();
    std::string EditText(const std::string& name);
    ShootResult Reloaded(ShootResult result);
    ShootNotice TakeClick(const std::string& name);
    ShootNotice TakeSelection(const std::string& name);

    std::string userFolder_;
    std::string defaultsFolder_;
    int currentGun_ = 0;
    int currentBullet_ = -1;
    bool controlsFound_ = false;
    NamedControls controls_{*this};
};

void RegisterShootEditorControls();

}  // namespace kx58
