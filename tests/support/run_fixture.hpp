#pragma once

#include "base/ansi_text.hpp"
#include "base/files.hpp"
#include "base/text.hpp"
#include "imaging/jpeg_reader.hpp"
#include "scrape/getspoilerpics.hpp"
#include "shell/debug_log.hpp"
#include "shell/session.hpp"
#include "shell/settings_store.hpp"
#include "shell/version.hpp"
#include "support/fake_clock.hpp"
#include "support/fake_fetch.hpp"
#include "support/fake_scraper.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"
#include "sync/pacing.hpp"
#include "sync/run.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

// The run's environment with a recorded frontend, an in-memory web and a scrape that
// answers from a table, over a temporary program folder with a spoiler folder inside.
namespace pixtrail::testing {

using shell::MessageKind;
using sync::RunOutcome;

inline const std::string kGpx = "<gpx>\r\n<wpt><name>GC1A2B3</name></wpt>\r\n"
                                "<wpt><name><![CDATA[GC22222]]></name></wpt>\r\n</gpx>\r\n";

class RunTest : public ::testing::Test {
protected:
    TempFolder dir;
    FakeClock clock{{2026, 12, 6, 14, 5, 9}};
    RecordingFrontend frontend;
    FakeFetch web;
    FakeScraper scraper;
    shell::Session session{frontend};
    shell::ProgramPaths paths;
    scrape::Endpoints endpoints;
    sync::RequestPacing pacing{session};
    /// The scrape the runs call; the table's unless a test puts another in its place.
    sync::Scraper getspoilerpics = scraper.bind();
    /// The update step; none unless a test puts one in.
    std::function<void()> checkForUpdate;
    std::string spoilers;

    void SetUp() override {
        std::filesystem::create_directory(dir.path() / "spoilers");
        spoilers = dir.file("spoilers");
        paths = {base::ansiPath(dir.path()), dir.file("pixtrail.ini"), dir.file("language.ini"),
                 dir.file("debug.txt"),      dir.file("log.txt"),      dir.file("user.ini")};
        web.responses["http://www.geocaching.com/"] = "<html>home</html>";
        session.setCaption(shell::windowTitle());
        shell::LoadControlSettings(session.window, paths.settingsFile);
        dir.write("caches.gpx", kGpx);
        session.window.setText("txtWpFile", "  " + dir.file("caches.gpx") + " ");
        session.window.setText("txtSpoilerFolder", spoilers);
        shell::debugLog().setPath(dir.file("debug.txt"));
    }
    void TearDown() override { shell::debugLog().setEnabled(false); }

    /// Presses Start.
    RunOutcome run() {
        sync::RunEnvironment env{session,        paths,
                                 endpoints,      [this]() -> scrape::WebFetch& { return web; },
                                 getspoilerpics, checkForUpdate,
                                 pacing};
        return sync::cmdSync_Click(env);
    }
    /// The real scrape over the in-memory web.
    sync::Scraper realScrape() {
        return [this](scrape::ScrapeCall& call) {
            return scrape::getspoilerpics(call, {session, web, endpoints, pacing});
        };
    }

    std::string text(const char* control) const { return session.window.control(control).text; }
    std::vector<std::string> warnings() const { return frontend.texts(MessageKind::Warning); }

    /// Puts a file into the spoiler folder, as an earlier run (or the user) left it.
    void spoiler(const std::string& name, const std::string& content = "x") {
        dir.write("spoilers/" + name, content);
    }
    std::string readSpoiler(const std::string& name) const { return dir.read("spoilers/" + name); }
    bool hasSpoiler(const std::string& name) const { return dir.exists("spoilers/" + name); }
    /// The spoiler folder's names, sorted as the program lists them.
    std::vector<std::string> spoilerFiles() const { return base::listFiles(spoilers, "*"); }
    void tick(const char* box, bool on) { session.window.setValue(box, on ? 1 : 0); }

    /// What a user finds in the spoiler folder (or its subfolder `below`), sorted: folders
    /// end with "/"; a file that is a file of the spoiler folder itself (a hard link) is
    /// "= NAME", a JPEG its size in pixels, a PNG or GIF its bytes, any other file its text.
    std::string folderState(const std::string& below = "") const {
        namespace fs = std::filesystem;
        const fs::path root = dir.path() / "spoilers";
        std::vector<std::string> lines;
        for (const auto& entry : fs::recursive_directory_iterator(root / below)) {
            // Shown with "/" on every platform, so one record serves both.
            std::string line =
                base::replaceAll(base::ansiPath(fs::relative(entry.path(), root)), "\\", "/");
            if (entry.is_directory()) {
                lines.push_back(line + "/");
                continue;
            }
            line += ": " + describe(entry.path());
            for (const auto& other : fs::directory_iterator(root))
                if (other.path() != entry.path() && fs::equivalent(other, entry))
                    line = line.substr(0, line.find(": ") + 2) + "= " +
                           base::ansiPath(other.path().filename());
            lines.push_back(line);
        }
        std::sort(lines.begin(), lines.end());
        std::string out;
        for (const std::string& line : lines)
            out += line + "\n";
        return out;
    }
    static std::string describe(const std::filesystem::path& file) {
        const std::string content = base::readFile(base::ansiPath(file)).value_or("");
        const std::string type = base::ansiLower(file.extension().string());
        if (type != ".jpg" && type != ".png" && type != ".gif")
            return content;
        try {
            const auto header = imaging::readJpegHeader(content);
            return std::to_string(header.width) + "x" + std::to_string(header.height);
        } catch (const base::RunError&) {
            return std::to_string(content.size()) + " bytes";
        }
    }
};

} // namespace pixtrail::testing
