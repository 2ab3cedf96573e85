#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The spoilers arranged the way Garmin handhelds look for geocache photos, inside the
// spoiler folder: Garmin/GeocachePhotos/<last character>/<second-to-last>/<code>/Spoilers/.
// Copying that Garmin folder to the root of a device's internal memory puts every cache's
// spoilers beside it on the device. The run steps that keep the tree are in run_steps.hpp.
namespace pixtrail::sync {

/// "Garmin", then "GeocachePhotos" below it.
inline constexpr std::string_view kGarminFolder = "Garmin";
inline constexpr std::string_view kGeocachePhotosFolder = "GeocachePhotos";

/// The folder, relative to the spoiler folder and joined with the platform's separator, in
/// which a device looks for a cache's spoilers: Garmin/GeocachePhotos/ + the code's last
/// character + / + its second-to-last ("0" for a code of three characters) + / + the code
/// + /Spoilers. The code is taken in capitals. nullopt for a name no device looks up: one
/// of fewer than three characters or with anything but the letters A-Z and digits.
std::optional<std::string> garminSpoilerFolder(std::string_view code);

/// A stored picture of a cache and the name it has in the cache's Spoilers folder.
struct GarminPicture {
    std::string stored; ///< "CODE - caption.ext" in the spoiler folder
    std::string name;   ///< "caption.jpg"
    bool operator==(const GarminPicture&) const = default;
};

/// The names the stored pictures of one cache (named code + " - " + caption + extension,
/// taken in the order given) have on the device: the caption without its extension, the
/// characters a FAT file system refuses replaced by "_" and trailing dots and spaces
/// removed ("Spoiler" when nothing is left), made unique without regard to case by " (2)",
/// " (3)" ..., with ".jpg" after it, since the devices show JPEG pictures only.
std::vector<GarminPicture> garminPictureNames(std::string_view code,
                                              const std::vector<std::string>& storedNames);

/// Test hook: refuse hard links, as a file system without them does, so that every JPEG
/// is copied.
void refuseHardLinksForTesting(bool refuse);

} // namespace pixtrail::sync
