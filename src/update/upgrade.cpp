#include "update/upgrade.hpp"

#include "base/clock.hpp"
#include "base/files.hpp"
#include "base/process.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/debug_log.hpp"
#include "shell/version.hpp"
#include "update/signature.hpp"

namespace fs = std::filesystem;

namespace pixtrail::update {
namespace {

using shell::MessageKind;
using shell::WriteDebug;

constexpr int kReplaceAttempts = 3;

// Two seconds for the other process to end, with the window kept alive.
void waitTwoSeconds(shell::Frontend& frontend) {
    for (int step = 0; step < 20; ++step) {
        frontend.pumpEvents();
        base::clock().sleepFor(std::chrono::milliseconds(100));
    }
}

// Writes a program file atomically and leaves it runnable.
void writeProgram(const fs::path& path, const std::string& bytes) {
    const std::string ansi = base::ansiPath(path);
    base::writeFileAtomically(ansi, bytes);
    std::error_code ec;
    fs::permissions(path,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::add, ec);
}

void failed(const UpdateContext& context, const std::string& reason) {
    WriteDebug("Upgrade failed. " + reason);
    context.frontend.showMessage(
        MessageKind::Warning, shell::windowTitle(),
        context.translator.TranslateText("Upgrade failed - please try later"));
}

} // namespace

fs::path UpgradeFiles::newCopy() const {
    return folder / (base + "_new" + suffix);
}
fs::path UpgradeFiles::newSpare() const {
    return folder / (base + "_new" + suffix + ".tmp");
}
bool UpgradeFiles::isNewCopy() const {
    return base::containsNoCase(base, "_new");
}
fs::path UpgradeFiles::target() const {
    return folder / (base::replaceAllNoCase(base, "_new", "") + suffix);
}

UpgradeFiles upgradeFiles(const fs::path& executable) {
    UpgradeFiles files;
    files.folder = executable.parent_path();
#ifdef _WIN32
    files.base = executable.stem().string();
    files.suffix = ".exe";
#else
    files.base = executable.filename().string();
#endif
    return files;
}

void downloadUpgrade(const UpdateContext& context, const UpgradeFiles& files,
                     const std::string& version, const std::string& address,
                     const std::string& signature) {
    WriteDebug("Upgrading to " + version);
    const std::string bytes = context.fetch.OpenURL(address, scrape::DataType::Bytes);
    if (bytes.size() < kMinimumReleaseBytes)
        return failed(context, std::to_string(bytes.size()) + " bytes received");
    // The feed and the download both came over the network: only the release key's
    // signature says the program is ours.
    std::string reason;
    if (!verifyRelease(bytes, signature, context.publicKey, reason))
        return failed(context, reason);

    const auto removeCopies = [&files] {
        std::error_code ec;
        fs::remove(files.newCopy(), ec);
        fs::remove(files.newSpare(), ec);
    };
    // A folder the user may not write (a program installed for everyone, run without
    // administrator rights) fails the upgrade alone: the run goes on with this version.
    try {
        writeProgram(files.newCopy(), bytes);
        WriteDebug(std::to_string(bytes.size()) + " bytes downloaded to '" +
                   base::ansiPath(files.newCopy()) + "'");
        writeProgram(files.newSpare(), bytes);
    } catch (const base::RunError& e) {
        removeCopies();
        return failed(context, e.description());
    }
    WriteDebug("Shelling '" + base::ansiPath(files.newCopy()) + "'");
    if (!base::startProcess(files.newCopy())) {
        removeCopies();
        return failed(context, "the new program could not be started");
    }
    throw base::ProgramEndRequested(0);
}

void completePendingUpdate(shell::Frontend& frontend, const shell::Translator& translator,
                           const UpgradeFiles& files) {
    if (files.isNewCopy()) {
        const fs::path spare = files.folder / (files.base + files.suffix + ".tmp");
        for (int attempt = 1; attempt <= kReplaceAttempts; ++attempt) {
            waitTwoSeconds(frontend);
            const auto bytes = base::readFile(base::ansiPath(spare));
            try {
                if (bytes) {
                    writeProgram(files.target(), *bytes);
                    if (base::startProcess(files.target()))
                        throw base::ProgramEndRequested(0);
                    break; // in place, but it will not start: say so below
                }
            } catch (const base::RunError& e) {
                WriteDebug("Replacing the program failed: " + e.description());
            }
        }
        // The old program stays as it was; nothing else is started.
        frontend.showMessage(MessageKind::Warning, shell::windowTitle(),
                             translator.TranslateText("The upgrade could not be completed"));
        throw base::ProgramEndRequested(1);
    }

    std::error_code ec;
    if (!fs::is_regular_file(files.newCopy(), ec))
        return;
    waitTwoSeconds(frontend);
    fs::remove(files.newCopy(), ec);
    fs::remove(files.newSpare(), ec);
    frontend.pumpEvents();
    frontend.showMessage(MessageKind::Information, shell::windowTitle(),
                         translator.TranslateText("Upgrade completed"));
}

} // namespace pixtrail::update
