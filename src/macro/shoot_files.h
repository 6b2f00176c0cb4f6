#pragma once
// The mouse's shoot (recoil) files as data, for the shoot editor: one ".Shoot" file per gun in
// the mouse's data folder, its factory copy in the defaults folder. A gun file is a JSON object
// whose `Events` hold six events per bullet (bullet b at 6b .. 6b + 5): left button down and
// up, the horizontal and the vertical move (the vertical one carries the bullet's delay), and
// two moves of 0. No UI; used from the UI thread.
//
// Every file is replaced atomically. An import is checked before anything is written; a gun
// file that cannot be read as JSON keeps a ".broken" copy before the factory file replaces it.
#include <cstdint>
#include <string>
#include <utility>

namespace kx58 {

enum class ShootResult {
    Ok,
    NoPath,          // an empty import or export path: nothing to do
    NotJson,         // an import that is no JSON object with an `Events` array
    TooLarge,        // an import over kMaxShootFileBytes
    TooManyBullets,  // an import of more than 30 bullets (180 events)
    Unreadable,      // a file that must be read is missing or cannot be read
    NotWritten,      // a write failed; nothing changed
};

// What one bullet does after its click: the two moves and the pause before the next bullet.
struct ShootBullet {
    bool left = false;   // horizontal move to the left ("down"), else to the right
    std::uint8_t x = 0;  // horizontal distance in counts
    bool up = false;     // vertical move upwards ("down"), else downwards
    std::uint8_t y = 0;  // vertical distance in counts
    std::uint16_t delay = 0;
    friend bool operator==(const ShootBullet&, const ShootBullet&) = default;
};

class ShootFiles {
public:
    ShootFiles(std::string userFolder, std::string defaultsFolder)
        : userFolder_(std::move(userFolder)), defaultsFolder_(std::move(defaultsFolder)) {}

    std::string UserFile(int gun) const;
    std::string DefaultsFile(int gun) const;

    // A bullet the file does not hold reads as zeros (to the right, downwards, no delay).
    ShootBullet ReadBullet(int gun, int bullet) const;
    // Writes the bullet's six events; the rest of the file is kept, and a short file is
    // padded with still bullets up to this one.
    [[nodiscard]] ShootResult WriteBullet(int gun, int bullet, const ShootBullet& value);
    // Copies the factory file over the gun's file.
    [[nodiscard]] ShootResult Reset(int gun);
    // Copies the chosen file over the gun's file, once it proved to be a gun file.
    [[nodiscard]] ShootResult Import(int gun, const std::string& path);
    // Copies the gun's file to `path`.
    [[nodiscard]] ShootResult Export(int gun, const std::string& path) const;
    // Every gun whose file cannot be read as JSON gets the factory file (the user folder is
    // created first). Returns how many guns were restored.
    int RestoreUnreadableGuns();

private:
    // Without its folders (the page has not set them yet) no file is read or written, so
    // nothing lands in the working folder.
    bool HasFolders() const { return !userFolder_.empty() && !defaultsFolder_.empty(); }

    std::string userFolder_;
    std::string defaultsFolder_;
};

// The gun and bullet numbers brought into range.
int ClampGun(int gun);
int ClampBullet(int bullet);

}  // namespace kx58
