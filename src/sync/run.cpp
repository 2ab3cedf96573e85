#include "sync/run.hpp"

#include "base/files.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "shell/command_line.hpp"
#include "shell/debug_log.hpp"
#include "shell/ini_file.hpp"
#include "shell/settings_store.hpp"
#include "sync/run_steps.hpp"
#include "sync/waypoint_reader.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace pixtrail::sync {
namespace {

using shell::MessageKind;
using shell::Session;
using shell::WriteDebug;

// The connectivity check is one small page: a site that does not answer it within this
// long is not reachable for a run, whatever a big picture may take later.
constexpr std::chrono::seconds kProbeLimit{15};

std::string decimal(double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    return buf;
}

std::string checkState(const Session& app, const char* name) {
    return std::to_string(app.window.control(name).value);
}

const std::string& textOf(const Session& app, const char* name) {
    return app.window.control(name).text;
}

bool ticked(const Session& app, const char* name) {
    return app.window.control(name).value != 0;
}

// The folder exists when a search for it without its final separator finds it.
bool folderExists(const std::string& folder) {
    return base::directoryExists(folder.substr(0, folder.size() - 1));
}

// Creates every level of the folder, ignoring failures on the way (existing levels, the
// root, the empty part after the final separator); the caller tests the result. Returns
// the system's words for the last refusal, so the user can learn why it did not work.
std::string createFolderPath(const std::string& folder) {
    // Windows takes "/" between folders as well as "\", and so does a user typing a path.
    const std::string levels =
        base::kPathSeparator == '/' ? folder : base::replaceAll(folder, "/", "\\");
    const auto parts = base::splitLimited(levels, base::kPathSeparator, std::string::npos);
    std::string why;
    std::string path;
    for (size_t i = 0; i < parts.size(); ++i) {
        path += (i > 0 ? std::string(1, base::kPathSeparator) : std::string()) + parts[i];
        std::string refused;
        // A level that exists (the drive "C:" among them) is no refusal.
        if (parts[i].empty() || base::directoryExists(path + base::kPathSeparator) ||
            base::createDirectory(path, &refused) || !why.empty())
            continue;
        // The first refusal: every level below it fails for that reason. A file where a
        // folder should be is "not a directory" to whoever looks for the folder.
        why = base::fileExists(path) ? std::strerror(ENOTDIR) : refused;
    }
    return why;
}

RunOptions readOptions(const Session& app) {
    RunOptions o;
    o.deleteUnused = ticked(app, "chkDelUnused");
    o.onlySpoilers = ticked(app, "chkOnlySpoil");
    o.ignoreNoSpoil = ticked(app, "chkIgnoreNoSpoil");
    o.onlyWords = textOf(app, "txtOnlyWords");
    o.ignoreWords = textOf(app, "txtIgnoreWords");
    o.recheck = ticked(app, "chkRecheck");
    o.shrink = ticked(app, "chkResize");
    o.shrinkWidth = static_cast<int>(base::leadingNumber(textOf(app, "txtWidth")));
    o.shrinkHeight = static_cast<int>(base::leadingNumber(textOf(app, "txtHeight")));
    o.pages = ticked(app, "chkDohtml");
    o.summary = ticked(app, "chkNoTxt");
    o.forceGC = ticked(app, "chkForceGC");
    o.garmin = ticked(app, "chkGarminPhotos");
    return o;
}

// How to give a missing setting where there is no window to type it in.
std::string howToGive(const RunEnvironment& env, std::string_view key) {
    if (!env.session.commandLineHints)
        return {};
    return "\r\nGive it with " + shell::optionForSetting(key) +
           " (add --save to keep it), or set " + std::string(key) + "= in section [Settings] of " +
           env.paths.settingsFile + ".";
}

// Phase 1: checks and corrections of the inputs. False when the run ends here.
bool checkInputs(RunEnvironment& env, RunContext& run) {
    Session& app = env.session;
    auto& w = app.window;
    run.waypointFile = base::trimSpaces(textOf(app, "txtWpFile"));
    env.pacing.requestDelay = requestDelayFrom(textOf(app, "txtDelay"));
    if (!textOf(app, "txtcmd").empty())
        run.waypointFile = base::replaceAll(textOf(app, "txtcmd"), "\"", "");
    if (run.waypointFile.empty()) {
        app.message(MessageKind::Warning, app.tr("Please choose a waypoint file to open !") +
                                              howToGive(env, "Waypointfile"));
        WriteDebug("No waypoint file");
        return false;
    }

    w.setText("txtSpoilerFolder", base::trimSpaces(textOf(app, "txtSpoilerFolder")));
    if (textOf(app, "txtSpoilerFolder").empty()) {
        app.message(MessageKind::Warning,
                    app.tr("Please choose a folder location to store spoiler pics") +
                        howToGive(env, "Spoilerfolder"));
        WriteDebug("No spoiler folder");
        return false;
    }
    if (textOf(app, "txtSpoilerFolder").back() != base::kPathSeparator)
        w.setText("txtSpoilerFolder", textOf(app, "txtSpoilerFolder") + base::kPathSeparator);
    run.spoilerFolder = textOf(app, "txtSpoilerFolder");

    std::string refusal; // why the last attempt to create it failed
    while (!folderExists(run.spoilerFolder)) {
        const std::string cannot =
            refusal.empty()
                ? std::string()
                : app.tr("Cannot create the spoiler folder %s", run.spoilerFolder) + ": " + refusal;
        if (app.unattended && !refusal.empty()) {
            // Nobody can answer: end as a No would, instead of trying for ever.
            app.message(MessageKind::Warning, cannot);
            WriteDebug("Cannot create spoiler folder '" + run.spoilerFolder + "'");
            return false;
        }
        if (!app.unattended) {
            const std::string question = (cannot.empty() ? "" : cannot + "\r\n\r\n") +
                                         app.tr("Spoiler folder does not exist.") + "\r\n\r\n" +
                                         app.tr("Do you wish to create it ?");
            if (!app.frontend.askYesNo(app.caption(), question, shell::QuestionIcon::Question))
                return false;
        }
        WriteDebug("Creating Spoiler folder");
        refusal = createFolderPath(run.spoilerFolder);
        if (refusal.empty() && !folderExists(run.spoilerFolder))
            refusal = std::strerror(ENOTDIR); // a level is a file, which no call reports
    }

    if (ticked(app, "chkResize")) {
        w.setText("txtHeight", normaliseShrinkSize(textOf(app, "txtHeight")));
        w.setText("txtWidth", normaliseShrinkSize(textOf(app, "txtWidth")));
    }
    run.options = readOptions(app);
    // Not a box of the window: the settings file or the command line gives it.
    const double workers = app.workers ? *app.workers
                                       : base::leadingNumber(shell::readIniValue(
                                             env.paths.settingsFile, "Settings", "workers", "0"));
    run.options.workers = shell::workersFor(static_cast<int>(std::clamp(workers, 0.0, 64.0)));
    run.workers = std::make_unique<shell::OrderedWorkers>(run.options.workers);
    return true;
}

void echoOptions(const Session& app, const RunContext& run) {
    WriteDebug("Waypoint file: '" + run.waypointFile + "'");
    WriteDebug("Spoiler Folder: '" + run.spoilerFolder + "'");
    WriteDebug("Delete Previous: " + checkState(app, "chkDelUnused"));
    WriteDebug("Only Spoilers: " + checkState(app, "chkOnlySpoil"));
    WriteDebug("Only filter: '" + textOf(app, "txtOnlyWords") + "'");
    WriteDebug("Ignore filter: " + checkState(app, "chkIgnoreNoSpoil"));
    WriteDebug("Ignore words: '" + textOf(app, "txtIgnoreWords") + "'");
    WriteDebug("Re check: " + checkState(app, "chkRecheck"));
    WriteDebug("Shrink: " + checkState(app, "chkResize"));
    WriteDebug("Width: " + textOf(app, "txtWidth"));
    WriteDebug("Height: " + textOf(app, "txtHeight"));
    WriteDebug("Create HTML: " + checkState(app, "chkDohtml"));
    WriteDebug("Create summary: " + checkState(app, "chkNoTxt"));
    WriteDebug("Garmin photos: " + checkState(app, "chkGarminPhotos"));
    WriteDebug("Delay: " + textOf(app, "txtDelay"));
}

void waypointLoop(RunEnvironment& env, RunContext& run, const std::string& savedCaption) {
    Session& app = env.session;
    const RunOptions& options = run.options;
    const auto size = base::fileSize(run.waypointFile).value_or(0);
    WriteDebug("Opening waypoint file '" + run.waypointFile + "' (" + std::to_string(size) +
               " bytes)");
    WaypointReader reader(run.waypointFile);
    while (!reader.atEnd() && app.runActive) {
        const std::string line = reader.ReadLine();
        const int percent = readPercentage(reader.position(), reader.size());
        app.frontend.progressValueChanged(percent);
        app.setCaption(std::to_string(percent) + "% " + savedCaption);

        run.lineName.clear();
        run.cacheName.clear();
        const AcceptedName accepted =
            acceptWaypointName(extractWaypointName(line), options.forceGC);
        run.lineName = accepted.name;
        const std::string name = run.lineName;
        // A page may go to the folder only when its name cannot address a file outside it.
        const bool page = options.pages && isSafeFileName(name);
        if (accepted.accepted) {
            run.codeList += "*" + name;
            ++run.waypointCount;
            const int row = app.progressList.add(app.tr("Processing %s", name));
            WriteDebug("Processing waypoint '" + name + "'");
            auto done = processWaypoint(env, run, name, row);
            if (options.garmin) {
                // The Garmin folder is made from the stored pictures, with the workers.
                run.workers->drain();
                done();
                arrangeGarminPhotos(run, name);
                if (page)
                    writeCachePage(run, name, run.cacheName);
            } else {
                // The cache is done once its pictures are stored; the run goes on with the
                // next waypoint meanwhile, and its line waits for its result.
                app.progressList.hold(row);
                run.workers->submit(nullptr,
                                    [&run, &app, done, page, name, row, cacheName = run.cacheName] {
                                        done();
                                        if (page)
                                            writeCachePage(run, name, cacheName);
                                        app.progressList.release(row);
                                    });
            }
        } else if (page) { // every name goes to the page step, accepted or not
            run.workers->submit(nullptr, [&run, name] { writeCachePage(run, name, {}); });
        }
        run.workers->finishReady();
        app.frontend.pumpEvents();
    }
}

std::string incompleteLine(const Session& app, const RunContext& run);

void finish(Session& app, RunContext& run, const std::string& savedCaption) {
    const RunOptions& options = run.options;
    if (options.deleteUnused && app.runActive) {
        if (run.waypointCount == 0) {
            // An empty, unreadable or foreign file says nothing about which caches went:
            // deleting "everything not in it" would empty the folder.
            WriteDebug("No waypoints found: nothing deleted");
            app.progressList.add(
                app.tr("No waypoints found in %s: nothing deleted", run.waypointFile));
        } else {
            deleteUnusedFiles(app, run);
            if (options.garmin)
                deleteUnusedGarminFolders(run);
        }
    }
    if (!options.garmin)
        removeGarminPhotos(run);
    if (options.summary)
        packNoSpoilerSummary(run);
    if (options.pages)
        writeIndex(run);
    else
        removePages(run);
    app.setCaption(savedCaption);
    if (!app.unattended) {
        run.totalsText = app.tr("%s waypoints processed", std::to_string(run.waypointCount)) +
                         "\r\n" +
                         app.tr("%s pictures downloaded", std::to_string(run.picturesDownloaded)) +
                         "\r\n" + app.tr("%s files deleted", std::to_string(run.deletedCount));
        if (run.incompleteCount > 0)
            run.totalsText += "\r\n" + incompleteLine(app, run);
        WriteDebug(std::to_string(run.waypointCount) + " waypoints processed, " +
                   std::to_string(run.picturesDownloaded) + " pictures downloaded, " +
                   std::to_string(run.deletedCount) + " files deleted");
        app.message(MessageKind::Information, run.totalsText);
    }
}

std::string incompleteLine(const Session& app, const RunContext& run) {
    return app.tr("%s caches could not be completed", std::to_string(run.incompleteCount));
}

void writeRunLog(const Session& app, const std::string& runLogFile, const RunContext& run) {
    std::string log = app.caption() + "\r\n";
    log += "Started: " + base::formatDateTime(run.startTime, " ") + "\r\n";
    for (const std::string& line : app.progressList.lines())
        log += line + "\r\n";
    if (!run.errorText.empty())
        log += run.errorText + "\r\n";
    if (!run.totalsText.empty())
        log += run.totalsText + "\r\n";
    else if (run.incompleteCount > 0) // an unattended run has no totals, but must say this
        log += incompleteLine(app, run) + "\r\n";
    log += "Finished: " + base::formatDateTime(base::clock().localNow(), " ") + "\r\n";
    base::writeFileAtomically(runLogFile, log);
}

} // namespace

int exitStatusOf(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Finished:
        return 0;
    case RunOutcome::Incomplete:
        return 4;
    case RunOutcome::EndedAtCheck:
    case RunOutcome::EndedByError:
        break;
    }
    return 1;
}

int requestDelayFrom(std::string_view delayText) {
    const long long delay = base::roundHalfEven(base::leadingNumber(delayText));
    return delay < 0 || delay > 999 ? 5 : static_cast<int>(delay);
}

std::string normaliseShrinkSize(std::string_view text) {
    const double value = base::leadingNumber(text);
    if (value < 10)
        return "100";
    if (value > 2000)
        return "2000";
    return decimal(value);
}

int readPercentage(std::uint64_t position, std::uint64_t size) {
    if (size == 0)
        return 100;
    std::uint64_t percent = 0;
    if (position > 10'000'000)
        percent = static_cast<std::uint64_t>(std::floor((static_cast<double>(position) / 10000) *
                                                        100 / (static_cast<double>(size) / 10000)));
    else
        percent = position * 100 / size;
    return percent > 100 ? 100 : static_cast<int>(percent);
}

RunOutcome cmdSync_Click(RunEnvironment& env) {
    Session& app = env.session;
    const shell::ProgramPaths& paths = env.paths;
    if (shell::debugLog().enabled())
        app.message(MessageKind::Information,
                    "Debug mode active.\r\n\r\nFiles will be written to: \r\n" + paths.debugFile);
    WriteDebug(app.caption(), 1);
    if (const auto failure = shell::debugLog().takeFailure())
        app.message(MessageKind::Warning,
                    app.tr("The debug trace cannot be written: %s", *failure));

    RunContext run;
    run.startTime = base::clock().localNow();
    const std::string savedCaption = app.caption();
    run.savedCaption = savedCaption;
    app.progressList.clear();
    app.frontend.progressValueChanged(0);

    if (app.saveSettings) {
        WriteDebug("Saving settings to '" + paths.settingsFile + "'");
        app.warnIfSettingsNotSaved(shell::SaveControlSettings(app.window, paths.settingsFile),
                                   paths.settingsFile);
    } else {
        WriteDebug("Settings given for this run only: not saved");
    }

    if (!checkInputs(env, run))
        return RunOutcome::EndedAtCheck;

    // From here on the user sees the run working and can stop it, also while the site
    // takes its time over the first request.
    app.stopPressed = false;
    app.runActive = true;
    app.dobuttons();
    app.frontend.busyChanged(true);
    auto endAtCheck = [&](const char* debugLine, const char* message) {
        WriteDebug(debugLine);
        app.runActive = false;
        app.dobuttons();
        app.frontend.busyChanged(false);
        if (message)
            app.message(MessageKind::Warning, app.tr(message));
        return RunOutcome::EndedAtCheck;
    };

    RunOutcome outcome = RunOutcome::Finished;
    try {
        WriteDebug("Checking Internet is connected.");
        if (env.fetch()
                .fetch(env.endpoints.probeAddress(), scrape::DataType::Text, kProbeLimit)
                .body.empty()) {
            if (app.stopPressed)
                return endAtCheck("Stopped before the first request", nullptr);
            return endAtCheck("Cannot connect to internet", "Cannot connect to the internet !");
        }
        if (env.checkForUpdate)
            env.checkForUpdate();
        if (!base::fileExists(run.waypointFile))
            return endAtCheck("Waypoint file not found", "Waypoint file not found !");
        echoOptions(app, run);

        base::removeLeftoverTemporaries(run.spoilerFolder);
        run.folder = std::make_unique<FolderIndex>(run.spoilerFolder);
        unpackNoSpoilerSummary(run);
        env.pacing.whileWaiting = [&run] { run.workers->finishReady(); };
        try {
            waypointLoop(env, run, savedCaption);
            env.pacing.whileWaiting = nullptr;
            run.workers->drain();
        } catch (...) {
            env.pacing.whileWaiting = nullptr;
            run.workers->abandon(); // what a failure left unfinished is not written
            throw;
        }
        finish(app, run, savedCaption);
    } catch (const base::RunError& e) {
        app.frontend.busyChanged(false);
        app.message(MessageKind::Warning, e.description());
        run.errorText = e.description();
        outcome = RunOutcome::EndedByError;
    }

    try {
        writeRunLog(app, paths.runLogFile, run);
    } catch (const base::RunError& e) {
        // The run is over either way; say why its log is missing.
        app.message(MessageKind::Warning, e.description());
    }
    app.runActive = false;
    app.dobuttons();
    app.frontend.busyChanged(false);
    app.setCaption(savedCaption);
    if (outcome == RunOutcome::Finished && run.incompleteCount > 0)
        outcome = RunOutcome::Incomplete;
    return outcome;
}

} // namespace pixtrail::sync
