#pragma once

#include "update/update_steps.hpp"

#include <filesystem>
#include <string>

// Replacing the program with a new release across three processes: the running program
// downloads the release beside itself as a "_new" copy and starts it; the copy puts itself
// in place of the program and starts that; the program, started again, removes the copies.
namespace pixtrail::update {

/// The files of a hand-over, beside the executable.
struct UpgradeFiles {
    std::filesystem::path folder;
    std::string base;   ///< the executable's name without its suffix
    std::string suffix; ///< ".exe" on Windows, empty elsewhere

    std::filesystem::path newCopy() const;  ///< base + "_new" + suffix
    std::filesystem::path newSpare() const; ///< newCopy + ".tmp"
    bool isNewCopy() const;                 ///< base holds "_new" (any case)
    std::filesystem::path target() const;   ///< base without "_new", + suffix
};

UpgradeFiles upgradeFiles(const std::filesystem::path& executable);

/// The smallest download taken for a release; anything shorter is a failed upgrade.
constexpr std::size_t kMinimumReleaseBytes = 40002;

/// Downloads and checks the release, writes the "_new" copy and its spare, starts the copy
/// and ends this program (ProgramEndRequested 0). Returns when the upgrade failed, after
/// telling the user.
void downloadUpgrade(const UpdateContext& context, const UpgradeFiles& files,
                     const std::string& version, const std::string& address,
                     const std::string& signature);

/// Start-up: in the "_new" copy, puts it in place of the program, starts that and ends;
/// elsewhere, removes the leftovers of a finished hand-over and says so.
void completePendingUpdate(shell::Frontend& frontend, const shell::Translator& translator,
                           const UpgradeFiles& files);

} // namespace pixtrail::update
