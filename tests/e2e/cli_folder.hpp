#pragma once

#include "base/files.hpp"
#include "support/fixture_site.hpp"
#include "support/run_program.hpp"
#include "support/sample_site.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace pixtrail::testing {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Names = std::vector<std::string>;
using Files = std::vector<std::pair<std::string, std::string>>;

/// Whether `text` is `pattern`, each "*" in the pattern standing for any text.
inline bool Matches(std::string_view text, std::string_view pattern) {
    const size_t star = pattern.find('*');
    if (star == pattern.npos || text.substr(0, star) != pattern.substr(0, star))
        return text == pattern;
    for (size_t at = star; at <= text.size(); ++at)
        if (Matches(text.substr(at), pattern.substr(star + 1)))
            return true;
    return false;
}

/// How the fixture site misbehaves at an address.
inline Fault fault(Fault::Kind kind, std::size_t size = 0, int times = -1) {
    Fault f;
    f.kind = kind;
    f.size = size;
    f.times = times;
    return f;
}
/// A long error, sign-in or maintenance page.
inline Fault status(int code, const std::string& retryAfter = "", int times = -1) {
    Fault f = fault(Fault::Kind::Status, 5000, times);
    f.status = code;
    f.retryAfter = retryAfter;
    return f;
}

/// A copy of pixtrail-cli in its own folder (so its settings, logs and traces land there),
/// an empty spoiler folder, and the fixture site answering the connectivity probe.
class CliFolder : public ::testing::Test {
protected:
    TempFolder dir;
    FixtureSite site;
    std::string exe = (dir.path() / "pixtrail-cli").string();

    CliFolder() {
        fs::copy_file(PIXTRAIL_CLI_PATH, exe);
        fs::create_directory(dir.path() / "spoilers");
        site.serve("/", "<html>the geocaching site</html>");
    }

    /// A settings file for caches.gpx and the spoiler folder, every host on the site.
    void writeSettings(const std::string& extra, const std::string& network = "") {
        dir.write("pixtrail.ini", siteSettings(site.host(), dir.file("caches.gpx"),
                                               dir.file("spoilers"), extra, network));
    }
    static std::string target(const std::string& code) { return cacheTarget(code); }
    /// Serves a cache's page linking the pictures at these paths of the site.
    void servePage(const std::string& code, const Names& pictures = {}) {
        Names addresses;
        for (const std::string& p : pictures)
            addresses.push_back(site.url(p));
        site.serve(target(code), cachePage(code, "The Weir", addresses));
    }
    long requests(const std::string& t) const { return std::ranges::count(site.targets(), t); }
    /// Names of files in the spoiler folder: by default the caches' own.
    Names spoilers(const char* p = "GC*") const { return base::listFiles(dir.file("spoilers"), p); }

    /// Runs pixtrail-cli (per-user settings kept in the test's folder), checks its exit status,
    /// stdout, `files` of the test's folder ("-": missing) and stderr; failures name the run.
    ProgramResult run(const std::string& name, const Names& args, int exit, const std::string& out,
                      const Files& files = {}, const std::string& err = "",
                      RunOptions options = {}) {
        options.environment.push_back("XDG_CONFIG_HOME=" + dir.file("config"));
        const ProgramResult r = runProgram(exe, args, options);
        EXPECT_EQ(r.exitCode, exit) << name << "\n" << r.err;
        EXPECT_PRED2(Matches, r.out, out) << name;
        for (const auto& [file, pattern] : files)
            EXPECT_PRED2(Matches, dir.exists(file) ? dir.read(file) : "-", pattern)
                << name << ": " << file;
        EXPECT_PRED2(Matches, r.err, err) << name;
        return r;
    }
};

} // namespace pixtrail::testing
