#pragma once
// The update check: one POST per product to the update service, the reply's JSON read into a
// result; the table of products; the date of the last successful check.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kx58 {

// One row of the update-product table (the last one is the application package itself).
struct UpdateProduct {
    int formatNumber = 0;   // non-zero: versions are hexadecimal
    int secondNumber = 0;
    int localVersion = 0;
    std::string brand;
    std::string chip;       // "ALL" for the application
    std::string typeCode1;
    std::string typeCode2;
    std::string minimumVersion;
};
inline constexpr std::size_t kUpdateProductCount = 4;
const std::array<UpdateProduct, kUpdateProductCount>& UpdateProducts();

inline constexpr std::int32_t kUpdateNewer = 1;
inline constexpr std::int32_t kUpdateCurrent = 7;
inline constexpr std::int32_t kUpdateCheckFailed = 0;  // no reply, or one that is not the service's

struct UpdateCheckResult {
    std::int32_t status = kUpdateCheckFailed;
    std::int32_t deviceId = 0;
    std::string name;               // or the raw reply text when nothing was received
    std::string localVersionText;
    std::string versionName;
    std::string serverVersionText;
    std::string downloadPath;
    std::string spare;
};

// "NULL" when the entry's local version is 0, else brand_format_chip_type1_second.
std::string UpdateAppKey(const UpdateProduct& entry);
// One query of the service at its base address (UpdateServiceAddress).
UpdateCheckResult CheckForUpdate(const std::string& appKey, int localVersion, bool hexFlag);
// The service's base address ("http://host[:port]"), from the shipped "update_service.json"
// of the defaults folder (KX58_UPDATE_SERVICE overrides it, for tests and packagers).
std::string UpdateServiceAddress();
// The installed application's version number: the build's version without its dots (1.0.4: 104).
int InstalledApplicationVersion();
// "updatetime.config" in `folder`: the date of the last successful check ("%d-%d-%d").
std::optional<std::string> ReadUpdateTime(const std::string& folder);
bool WriteUpdateTime(const std::string& folder, const std::string& date);
// Today's local date as the file keeps it.
std::string UpdateDateToday();

}  // namespace kx58
