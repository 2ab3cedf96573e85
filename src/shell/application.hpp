#pragma once

#include "scrape/endpoints.hpp"
#include "scrape/web_fetch.hpp"
#include "shell/frontend.hpp"
#include "shell/ini_file.hpp"
#include "shell/main_window.hpp"
#include "shell/program_paths.hpp"
#include "shell/progress_list.hpp"
#include "shell/translation.hpp"

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <string>

namespace pixtrail::sync {
class FolderIndex;
}

namespace pixtrail::shell {

class Application;

/// One call of the scrape of a cache: its inputs and the cache name it finds.
struct ScrapeCall {
    std::string code;          ///< the accepted name as read
    sync::FolderIndex* folder; ///< the spoiler folder of the run
    bool applyOnlyWords = false;
    bool applyIgnoreWords = false;
    std::string onlyWords;   ///< "spoiler," + the only-words box, trimmed
    std::string ignoreWords; ///< "no spoil,not spoil," + the ignore-words box, trimmed
    std::string cacheName;   ///< out: the cache's title on its page
    int failedDownloads = 0; ///< out: accepted pictures that did not arrive
    /// out: a cache page arrived. False when the request failed in any way, the site kept
    /// throttling, or what came back was some other page.
    bool pageAvailable = true;
};

/// The scrape of one cache: the number of pictures stored or present, or -1 when it
/// failed and has told the user.
using Scraper = std::function<int(Application&, ScrapeCall&)>;

/// Thrown when the program must end where it stands (a cache whose scrape failed, a
/// withdrawn version, an upgrade that has been started). The front end ends the process
/// with the exit code.
class ProgramEndRequested : public std::exception {
public:
    explicit ProgramEndRequested(int exitCode) : m_exitCode(exitCode) {}
    int exitCode() const noexcept { return m_exitCode; }
    const char* what() const noexcept override { return "program end requested"; }

private:
    int m_exitCode;
};

/// Makes the network client once the endpoints are known (after the command line has
/// chosen the settings file).
using FetchFactory = std::function<std::unique_ptr<scrape::WebFetch>(const scrape::Endpoints&)>;

/// The main window's state beyond its controls: what lives as long as the program does
/// and what a run shares with Stop and with the other subsystems.
class Application {
public:
    Application(Frontend& frontend, ProgramPaths paths, FetchFactory fetchFactory);

    MainWindowModel window;
    Frontend& frontend;
    ProgramPaths paths; ///< settingsFile may be replaced by the command line
    Translator translator;
    scrape::Endpoints endpoints;
    ProgressList progress;

    std::atomic<bool> runActive{false};
    /// Set by Stop, cleared when a run starts its loop; ends long waits inside a request.
    std::atomic<bool> stopPressed{false};
    bool unattended = false;
    int requestDelay = 0;       ///< whole seconds, 0..999, set at each run
    int picturesDownloaded = 0; ///< pictures newly written in the current run
    bool pacingFlag = false;    ///< set after the first cache page request; outlives runs
    std::string countdownTemplate;

    /// The release key a downloaded upgrade must be signed with (base64 Ed25519 public key).
    std::string updatePublicKey;

    /// `getspoilerpics`: the scrape of one cache. Tests put their own in its place.
    Scraper getspoilerpics;

    /// The network client, made from the endpoints on first use.
    scrape::WebFetch& fetch();

    /// `TranslateText`, and the same with "%s" replaced by `value` afterwards.
    std::string tr(std::string_view text) const;
    std::string tr(std::string_view text, std::string_view value) const;

    const std::string& caption() const { return window.caption(); }
    void setCaption(std::string caption);

    /// A message box titled with the window caption.
    void message(MessageKind kind, const std::string& text);

    /// Tells the user, naming the settings file and the reason, when saving the settings
    /// did not write them.
    void warnIfSettingsNotSaved(const IniWriteResult& result);

    /// Shows Start when no run is active and Stop when one is, then lets events run.
    void dobuttons();

    /// The Stop button: ends the run at its next check, adds the stop line and selects the
    /// line that was current, so the waypoint in progress still gets its result there.
    void cmdStop_Click();

    /// Ends the run as Stop does, with `line` as the stop line.
    void stopRun(const std::string& line);

private:
    FetchFactory m_fetchFactory;
    std::unique_ptr<scrape::WebFetch> m_fetch;
};

} // namespace pixtrail::shell
