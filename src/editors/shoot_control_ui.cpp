#include "editors/shoot_control_ui.h"

#include <cstdlib>
#include <string_view>

#include "device/protocol/shoot_image.h"
#include "macro/macro_events.h"
#include "uikit/button.h"
#include "uikit/control_factory.h"

namespace kx58 {
namespace {

constexpr const char* kGunOption = "shoot_gun_op_";
constexpr const char* kBulletOption = "bullet_op_";
constexpr const char* kXCheck = "bullet_x_check";
constexpr const char* kYCheck = "bullet_y_check";
constexpr const char* kXEdit = "bullet_x_eidt";
constexpr const char* kYEdit = "bullet_y_eidt";
constexpr const char* kDelayEdit = "bullet_delay_eidt";
constexpr const char* kPictureSwitch = "shoot_image_display_switch";
constexpr const char* kBulletIndex = "bullet_select_index";
constexpr const char* kEditLayout = "bullet_edit_layout";

constexpr const char* kSingleControls[] = {
    kPictureSwitch, kBulletIndex, "bullet_selected_prev", "bullet_selected_next", kEditLayout, kXCheck, kYCheck,
    kXEdit, kYEdit, kDelayEdit, "shootdate_import_btn", "shootdate_export_btn", "shootdate_save_btn",
    "shootdate_reset_btn"};

struct DirectionTexts {
    const char* option;
    const char* selected;  // the "down" action: to the left, upwards
    const char* cleared;
};
constexpr DirectionTexts kDirections[] = {
    {kXCheck, "mouse_move_to_left_text", "mouse_move_to_right_text"},
    {kYCheck, "mouse_move_to_up_text", "mouse_move_to_down_text"},
};

struct ResultText {
    ShootResult result;
    const char* textId;
};
constexpr ResultText kResultTexts[] = {
    {ShootResult::NotJson, "shoot_import_not_json_text"},
    {ShootResult::TooLarge, "shoot_import_too_large_text"},
    {ShootResult::TooManyBullets, "shoot_import_too_many_text"},
    {ShootResult::Unreadable, "shoot_file_unreadable_text"},
    {ShootResult::NotWritten, "shoot_file_not_written_text"},
};

std::string Numbered(std::string_view prefix, int n) { return std::string(prefix) + std::to_string(n); }

// The number after `prefix` in a control name of a numbered family, or -1.
int NumberAfter(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return -1;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.find_first_not_of("0123456789") != std::string_view::npos) return -1;
    return std::atoi(std::string(digits).c_str());
}

}  // namespace

const char* ShootResultTextId(ShootResult result) {
    for (const ResultText& row : kResultTexts)
        if (row.result == result) return row.textId;
    return nullptr;
}

void* CShootControlUI::GetInterface(std::string_view name) {
    if (name == "ShootControl") return this;
    return CHorizontalLayoutUI::GetInterface(name);
}

// --- Set-up ------------------------------------------------------------------------------------

bool CShootControlUI::FindEveryControl() {
    bool found = true;
    for (const char* name : kSingleControls) found = Find(name) && found;
    for (int gun = 0; gun < kShootGunCount; ++gun) found = Find(Numbered(kGunOption, gun)) && found;
    for (int bullet = 0; bullet < kShootBulletCount; ++bullet) found = Find(Numbered(kBulletOption, bullet)) && found;
    return found;
}

bool CShootControlUI::SetUp() {
    controlsFound_ = FindEveryControl();
    Files().RestoreUnreadableGuns();
    SelectGun(currentGun_);
    if (ui::CControlUI* area = Find(kEditLayout)) area->SetEnabled(currentBullet_ >= 0);
    return controlsFound_;
}

// --- Choosing ----------------------------------------------------------------------------------

void CShootControlUI::SelectOnly(std::string_view prefix, int count, int chosen) {
    for (int n = 0; n < count; ++n)
        if (auto* option = controls_.FindAs<ui::COptionUI>(Numbered(prefix, n))) option->Selected(n == chosen, false);
}

void CShootControlUI::SelectGun(int gun) {
    currentGun_ = ClampGun(gun);
    SelectOnly(kGunOption, kShootGunCount, currentGun_);
    if (auto* pictures = controls_.FindAs<ui::CTabLayoutUI>(kPictureSwitch)) pictures->SelectItem(currentGun_, false);
    // The edit area shows the chosen gun's bullet, so a save never carries another gun's values.
    if (currentBullet_ >= 0) LoadBullet();
}

void CShootControlUI::SelectBullet(int bullet) {
    currentBullet_ = ClampBullet(bullet);
    SelectOnly(kBulletOption, kShootBulletCount, currentBullet_);
    if (ui::CControlUI* index = Find(kBulletIndex)) index->SetText(std::to_string(currentBullet_ + 1));
    if (ui::CControlUI* area = Find(kEditLayout)) area->SetEnabled(true);
    LoadBullet();
}

// --- The edit area -----------------------------------------------------------------------------

void CShootControlUI::ShowDirections() {
    for (const DirectionTexts& row : kDirections)
        if (auto* option = controls_.FindAs<ui::COptionUI>(row.option))
            option->SetText(option->IsSelected() ? row.selected : row.cleared);
}

void CShootControlUI::ToggleX() { ShowDirections(); }
void CShootControlUI::ToggleY() { ShowDirections(); }

void CShootControlUI::LoadBullet() {
    if (currentBullet_ < 0) return;
    const ShootBullet bullet = Files().ReadBullet(currentGun_, currentBullet_);
    if (auto* x = controls_.FindAs<ui::COptionUI>(kXCheck)) x->Selected(bullet.left, false);
    if (auto* y = controls_.FindAs<ui::COptionUI>(kYCheck)) y->Selected(bullet.up, false);
    ShowDirections();
    const auto show = [this](const char* name, int value) {
        if (ui::CControlUI* edit = Find(name)) edit->SetText(std::to_string(value));
    };
    show(kXEdit, bullet.x);
    show(kYEdit, bullet.y);
    show(kDelayEdit, bullet.delay);
}

std::string CShootControlUI::EditText(const std::string& name) {
    ui::CControlUI* edit = Find(name);
    return edit ? edit->GetText() : std::string();
}

ShootResult CShootControlUI::SaveBullet() {
    if (currentBullet_ < 0) return ShootResult::Ok;
    const auto* x = controls_.FindAs<ui::COptionUI>(kXCheck);
    const auto* y = controls_.FindAs<ui::COptionUI>(kYCheck);
    const ShootBullet bullet{.left = x && x->IsSelected(),
                             .x = MoveDistanceFromText(EditText(kXEdit)),
                             .up = y && y->IsSelected(),
                             .y = MoveDistanceFromText(EditText(kYEdit)),
                             .delay = DelayFromText(EditText(kDelayEdit))};
    // Shown again as stored (a distance keeps its low byte).
    return Reloaded(Files().WriteBullet(currentGun_, currentBullet_, bullet));
}

// --- Files -------------------------------------------------------------------------------------

ShootResult CShootControlUI::Reloaded(ShootResult result) {
    if (result == ShootResult::Ok) LoadBullet();
    return result;
}

ShootResult CShootControlUI::Reset() { return Reloaded(Files().Reset(currentGun_)); }
ShootResult CShootControlUI::Import(const std::string& path) { return Reloaded(Files().Import(currentGun_, path)); }
ShootResult CShootControlUI::Export(const std::string& path) { return Files().Export(currentGun_, path); }

// --- Notifications -----------------------------------------------------------------------------

ShootNotice CShootControlUI::TakeClick(const std::string& name) {
    constexpr ShootNotice kDone{ShootRequest::Done, ShootResult::Ok};
    if (name == "bullet_selected_prev" || name == "bullet_selected_next") {
        SelectBullet(currentBullet_ + (name == "bullet_selected_next" ? 1 : -1));
        return kDone;
    }
    if (name == "shootdate_reset_btn") return {ShootRequest::Done, Reset()};
    if (name == "shootdate_import_btn") return {ShootRequest::ChooseImportFile, ShootResult::Ok};
    if (name == "shootdate_export_btn") return {ShootRequest::ChooseExportFile, ShootResult::Ok};
    if (name != "shootdate_save_btn") return {};
    const ShootResult saved = SaveBullet();
    return {saved == ShootResult::Ok ? ShootRequest::WriteToMouse : ShootRequest::Done, saved};
}

ShootNotice CShootControlUI::TakeSelection(const std::string& name) {
    if (const int gun = NumberAfter(name, kGunOption); gun >= 0) SelectGun(gun);
    else if (const int bullet = NumberAfter(name, kBulletOption); bullet >= 0) SelectBullet(bullet);
    else if (name == kXCheck) ToggleX();
    else if (name == kYCheck) ToggleY();
    else return {};
    return {ShootRequest::Done, ShootResult::Ok};
}

ShootNotice CShootControlUI::TakeNotify(const ui::TNotifyUI& msg) {
    // Every page carries its own editors: only this editor's controls are taken.
    if (!msg.pSender || Find(msg.pSender->GetName()) != msg.pSender) return {};
    if (msg.sType == ui::DUI_MSGTYPE_CLICK) return TakeClick(msg.pSender->GetName());
    if (msg.sType == ui::DUI_MSGTYPE_SELECTCHANGED) return TakeSelection(msg.pSender->GetName());
    return {};
}

void RegisterShootEditorControls() {
    ui::CControlFactory::GetInstance()->RegistControl("ShootControl", [] { return new CShootControlUI; });
}

}  // namespace kx58
