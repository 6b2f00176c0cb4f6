#include "macro/shoot_files.h"

#include <json/value.h>

#include <algorithm>
#include <array>

#include "device/protocol/shoot_image.h"
#include "platform/atomic_file.h"
#include "platform/folders.h"
#include "profile/json_file.h"

namespace kx58 {
namespace {

constexpr const char* kDown = "down";
constexpr const char* kUp = "up";
// Where a bullet's moves sit among its six events.
constexpr std::size_t kMoveX = 2;
constexpr std::size_t kMoveY = 3;

Json::Value EventJson(const char* action, int button, int delay, int type) {
    Json::Value event(Json::objectValue);
    event["Action"] = action;
    event["Button"] = button;
    event["Delay"] = delay;
    event["Type"] = type;
    return event;
}

// Left click (10 ms held), the two moves (the vertical one waits the bullet's delay), then
// two moves of 0 that end the bullet.
std::array<Json::Value, kShootEventsPerBullet> BulletEvents(const ShootBullet& bullet) {
    const char* x = bullet.left ? kDown : kUp;
    const char* y = bullet.up ? kDown : kUp;
    return {EventJson(kDown, 1, 10, 1), EventJson(kUp, 1, 0, 1),       EventJson(x, bullet.x, 5, 4),
            EventJson(y, bullet.y, bullet.delay, 5), EventJson(x, 0, 0, 4), EventJson(y, 0, 0, 5)};
}

ShootResult ReadFailure(FileReadStatus status) {
    return status == FileReadStatus::TooLarge ? ShootResult::TooLarge : ShootResult::Unreadable;
}

// A file to import, checked before anything is written.
ShootResult CheckImport(const FileRead& read) {
    if (!read.ok()) return ReadFailure(read.status);
    const Json::Value document = ParseJsonText(read.text);
    if (!document.isObject() || !document["Events"].isArray()) return ShootResult::NotJson;
    if (document["Events"].size() > kMaxShootEvents) return ShootResult::TooManyBullets;
    return ShootResult::Ok;
}

ShootResult CopyFile(const std::string& from, const std::string& to, std::size_t maxBytes) {
    const FileRead read = ReadRegularFile(from, maxBytes);
    if (!read.ok()) return ShootResult::Unreadable;
    return WriteFileAtomically(to, read.text) ? ShootResult::Ok : ShootResult::NotWritten;
}

}  // namespace

int ClampGun(int gun) { return std::clamp(gun, 0, kShootGunCount - 1); }
int ClampBullet(int bullet) { return std::clamp(bullet, 0, kShootBulletCount - 1); }

std::string ShootFiles::UserFile(int gun) const { return ShootFilePath(userFolder_, ClampGun(gun)); }
std::string ShootFiles::DefaultsFile(int gun) const { return ShootFilePath(defaultsFolder_, ClampGun(gun)); }

ShootBullet ShootFiles::ReadBullet(int gun, int bullet) const {
    if (!HasFolders()) return {};
    const MacroEventList events = ReadShootEvents(userFolder_, ClampGun(gun));
    const std::size_t first = static_cast<std::size_t>(ClampBullet(bullet)) * kShootEventsPerBullet;
    ShootBullet value;
    if (first + kMoveX < events.size()) {
        value.left = events[first + kMoveX].down;
        value.x = events[first + kMoveX].button;
    }
    if (first + kMoveY < events.size()) {
        value.up = events[first + kMoveY].down;
        value.y = events[first + kMoveY].button;
        value.delay = events[first + kMoveY].delay;
    }
    return value;
}

ShootResult ShootFiles::WriteBullet(int gun, int bullet, const ShootBullet& value) {
    if (!HasFolders()) return ShootResult::NotWritten;
    const std::string path = UserFile(gun);
    Json::Value document;
    if (!ReadDocumentForRewrite(path, document, kMaxShootFileBytes)) return ShootResult::Unreadable;
    if (!document.isObject()) document = Json::Value(Json::objectValue);
    Json::Value& events = document["Events"];
    if (!events.isArray()) events = Json::Value(Json::arrayValue);
    const Json::ArrayIndex first = static_cast<Json::ArrayIndex>(ClampBullet(bullet)) * kShootEventsPerBullet;
    const auto still = BulletEvents({});
    while (events.size() < first) events.append(still[events.size() % kShootEventsPerBullet]);
    const auto written = BulletEvents(value);
    for (Json::ArrayIndex k = 0; k < kShootEventsPerBullet; ++k) events[first + k] = written[k];
    return WriteJsonDocument(path, document) ? ShootResult::Ok : ShootResult::NotWritten;
}

ShootResult ShootFiles::Reset(int gun) {
    if (!HasFolders() || !CreateFolders(userFolder_)) return ShootResult::NotWritten;
    return CopyFile(DefaultsFile(gun), UserFile(gun), kMaxShootFileBytes);
}

ShootResult ShootFiles::Import(int gun, const std::string& path) {
    if (path.empty()) return ShootResult::NoPath;
    const FileRead read = ReadRegularFile(path, kMaxShootFileBytes);
    const ShootResult checked = CheckImport(read);
    if (checked != ShootResult::Ok) return checked;
    if (!HasFolders() || !CreateFolders(userFolder_)) return ShootResult::NotWritten;
    return WriteFileAtomically(UserFile(gun), read.text) ? ShootResult::Ok : ShootResult::NotWritten;
}

ShootResult ShootFiles::Export(int gun, const std::string& path) const {
    if (path.empty()) return ShootResult::NoPath;
    if (!HasFolders()) return ShootResult::Unreadable;
    return CopyFile(UserFile(gun), path, kMaxDocumentFileBytes);
}

int ShootFiles::RestoreUnreadableGuns() {
    int restored = 0;
    if (!HasFolders()) return restored;
    for (int gun = 0; gun < kShootGunCount; ++gun) {
        Json::Value document;
        // A file that exists but cannot be read at all is left alone; a broken one keeps a copy.
        if (!ReadDocumentForRewrite(UserFile(gun), document, kMaxShootFileBytes)) continue;
        if (document.isObject()) continue;
        if (Reset(gun) == ShootResult::Ok) ++restored;
    }
    return restored;
}

}  // namespace kx58
