#include "base/files.hpp"
#include "shell/ini_file.hpp"
#include "shell/version.hpp"
#include "support/fake_clock.hpp"
#include "support/fake_fetch.hpp"
#include "support/recording_frontend.hpp"
#include "support/temp_folder.hpp"
#include "update/feed.hpp"
#include "update/scramble.hpp"
#include "update/signature.hpp"
#include "update/upgrade.hpp"

#include <gtest/gtest.h>

#include <gcrypt.h>
#include <set>

using namespace pixtrail;
using namespace pixtrail::update;
using Names = std::vector<std::string>;

namespace {

const std::string kData = PIXTRAIL_TEST_DATA_DIR "/update/";
const std::string kTestKey = base::readFile(kData + "test-release-key.pub").value();
const std::string kFeed = "http://www.pixtrail.app/pixtrail/index.htm";
const std::string kDownload = "<download>x.test/p</download>";

// Signs as scripts/sign-release.sh does, with the key pairs kept for the tests: a PEM
// private key of Ed25519 is one line of base64 (which gcrypt reads between bars) ending in
// the key's 32-byte seed.
std::string sign(const std::string& data, const std::string& keyName) {
    gcry_check_version(nullptr);
    const std::string pem = base::readFile(kData + keyName).value();
    const size_t start = pem.find('\n') + 1; // the line after the header
    gcry_sexp_t der = nullptr, key = nullptr, message = nullptr, signature = nullptr;
    gcry_sexp_new(&der, ("(d |" + pem.substr(start, pem.find('\n', start) - start) + "|)").c_str(),
                  0, 1);
    size_t length = 0;
    const char* seed = gcry_sexp_nth_data(der, 1, &length) + length - 32;
    gcry_sexp_build(&key, nullptr, "(private-key (ecc (curve Ed25519) (flags eddsa) (d %b)))", 32,
                    seed);
    unsigned char digest[64]; // the release key signs the program's SHA-512 digest
    gcry_md_hash_buffer(GCRY_MD_SHA512, digest, data.data(), data.size());
    gcry_sexp_build(&message, nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))", 64,
                    digest);
    EXPECT_EQ(gcry_pk_sign(&signature, message, key), 0u);
    std::string raw, out;
    for (const char* part : {"r", "s"}) {
        gcry_sexp_t token = gcry_sexp_find_token(signature, part, 0);
        const char* bytes = gcry_sexp_nth_data(token, 1, &length);
        raw.append(bytes, length);
        gcry_sexp_release(token);
    }
    for (gcry_sexp_t s : {der, key, message, signature})
        gcry_sexp_release(s);
    const std::string b64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    unsigned bits = 0;
    int count = 0;
    for (const char c : raw)
        for (bits = bits << 8 | std::uint8_t(c), count += 8; count >= 6;)
            out += b64[bits >> (count -= 6) & 63];
    if (count > 0)
        out += b64[bits << (6 - count) & 63];
    return out + std::string((4 - out.size() % 4) % 4, '=');
}

} // namespace

TEST(Scramble, EveryKeyRoundTripsAndJunkIsNoDate) {
    EXPECT_EQ(scrambleWithKey("A", 0xFB), "FBBB"); // the key, then key XOR position 1 XOR 'A'
    std::set<int> keys; // drawn anew each time: in 20000 draws, each of 1 to 251 turns up
    for (int i = 0; i < 20000; ++i) {
        const std::string s = ScrambleText("2026-12-07 14:05:09");
        keys.insert(std::stoi(s.substr(0, 2), nullptr, 16));
        ASSERT_EQ(UnscrambleText(s), "2026-12-07 14:05:09") << s;
    }
    EXPECT_EQ(std::tuple(keys.size(), *keys.begin(), *keys.rbegin()), std::tuple(251u, 1, 251));
    using Case = std::pair<std::string, std::optional<std::string>>; // junk: no date, no error
    for (const auto& [scrambled, plain] : {Case{"", ""}, Case{"01", ""}, Case{"0a4f", "D"},
                                           Case{"ZZ41", std::nullopt}, Case{"01G1", std::nullopt}})
        EXPECT_EQ(UnscrambleText(scrambled), plain) << scrambled;
}

TEST(Feed, TagsAreReadAsTheyStandAndOnlyTheExactTitleIsWithdrawn) {
    // page, version (not trimmed), download (only with a version), days between checks
    using Case = std::tuple<std::string, std::optional<std::string>, std::string, double>;
    for (const auto& [page, version, address, days] :
         {Case{"<VERSION>1.0.38</VERSION><Days>7</Days>" + kDownload, "1.0.38", "x.test/p", 7},
          Case{"<version> 1.0.0</version><days>abc</days>", " 1.0.0", "", 1},
          Case{"<days>2.5</days>" + kDownload, std::nullopt, "", 2.5},
          Case{"<version></version>" + kDownload, "", "", 1},
          Case{"<version>" + std::string(150, 'v') + "<download>" + std::string(250, 'd'),
               std::string(100, 'v'), std::string(200, 'd'), 1}}) {
        const Feed f = parseFeed(page);
        EXPECT_EQ(std::tuple(f.version, f.download, daysBetweenChecks(f)),
                  std::tuple(version, address, days))
            << page;
    }
    EXPECT_EQ(parseFeed("<Signature> c2ln </signature>").signature, "c2ln");
    for (const auto& [page, withdrawn] :
         {std::pair{"x<lockout>P v1.37</lockout>y", 1}, std::pair{"<LOCKOUT>p V1.37</LOCKOUT>", 1},
          std::pair{"<lockout>P v1.3</lockout>", 0}, std::pair{"<lockout>P v1.37 </lockout>", 0}})
        EXPECT_EQ(isWithdrawn(page, "P v1.37"), withdrawn) << page;
}

TEST(Signature, OnlyTheReleaseKeysSignatureOfTheExactBytesPasses) {
    const std::string release = "release \x01 bytes", good = sign(release, "test-release-key.pem");
    const std::string mismatch = "the signature does not match the download";
    // data, signature, key, why it fails
    using Case = std::tuple<std::string, std::string, std::string, std::string>;
    for (const auto& [data, signature, key, why] :
         {Case{release, good, kTestKey, ""}, Case{"releasf \x01 bytes", good, kTestKey, mismatch},
          Case{release, sign(release, "other-key.pem"), kTestKey, mismatch},
          Case{release, "", kTestKey, "the feed carries no signature"},
          Case{release, "c2ln", kTestKey, "the signature is not a base64 Ed25519 signature"},
          Case{release, good, "", "the trusted key is unusable"}}) {
        std::string reason;
        EXPECT_EQ(verifyRelease(data, signature, key, reason), why.empty()) << why;
        EXPECT_EQ(reason, why);
    }
}

struct UpdateCheck : ::testing::Test {
    pixtrail::testing::TempFolder dir;
    pixtrail::testing::FakeClock clock{{2026, 12, 6, 14, 5, 9}};
    pixtrail::testing::RecordingFrontend frontend;
    pixtrail::testing::FakeFetch web;
    shell::Translator translator;
    const std::string ini = dir.file("user.ini");
    shell::IniUserStore store{ini};
    UpdateContext context{web, kFeed, store, frontend, translator, kTestKey};

    std::string stored() { return shell::readIniValue(ini, "Settings", "GUI", ""); }
};

TEST_F(UpdateCheck, TheFeedIsReadOnceTheStoredDateHasPassed) {
    const std::string next = ScrambleText("2026-12-07 14:05:09");
    // stored value, now, the feed's days (ten years at most), feed read?, the next date stored
    using Case = std::tuple<std::string, base::LocalTime, std::string, bool, std::string>;
    for (const auto& [value, now, days, read, date] :
         {Case{"", {2026, 12, 6, 14, 5, 9}, "", true, "2026-12-07 14:05:09"}, // a day by default
          Case{next, {2026, 12, 7, 14, 5, 9}, "7", false, "2026-12-07 14:05:09"},
          Case{next, {2026, 12, 7, 14, 5, 10}, "7", true, "2026-12-14 14:05:10"},
          Case{"XYZ not hex", {2026, 12, 7, 14, 5, 9}, "0.5", true, "2026-12-08 02:05:09"},
          Case{"", {2026, 12, 15, 0, 0, 0}, "99999", true, "2036-12-12 00:00:00"}}) {
        shell::writeIniValue(ini, "Settings", "GUI", value);
        clock.set(now);
        web.requests.clear();
        web.responses[kFeed] = "<days>" + days + "</days>";
        checkForUpdate(context);
        EXPECT_EQ(web.requests.empty(), !read) << date;
        EXPECT_EQ(UnscrambleText(stored()), date);
    }
}

TEST_F(UpdateCheck, TheOfferComesBeforeTheWithdrawal) {
    web.responses[kFeed] =
        "<version>1.0.99</version>" + kDownload + "<lockout>" + shell::windowTitle() + "</lockout>";
    EXPECT_THROW(checkForUpdate(context), base::ProgramEndRequested);
    EXPECT_EQ(frontend.questions, Names{"Version 1.0.99 of Pixtrail is now available\r\n\r\n"
                                        "Would you like to upgrade ?"});
    EXPECT_EQ(frontend.texts(shell::MessageKind::Critical),
              Names{"Sorry - This version of the program has been withdrawn"});
    EXPECT_EQ(stored(), ""); // ended before storing: checks again next time
}

TEST_F(UpdateCheck, OffersNeedAnotherVersionAndADownload) {
    using Case = std::pair<std::string, bool>; // the feed, whether it offers an upgrade
    for (const auto& [feed, offered] :
         {Case{"<version>" + shell::versionText() + "</version>" + kDownload, false},
          Case{"<version>9.9.9</version>", false},
          Case{"<version> " + shell::versionText() + "</version>" + kDownload, true},
          Case{"<version>0.0.1</version>" + kDownload, true}}) { // older is different too
        clearNextUpdateDate(store); // each feed is read: the next check is due again
        frontend.questions.clear();
        web.responses[kFeed] = feed;
        checkForUpdate(context);
        EXPECT_EQ(frontend.questions.size(), offered ? 1u : 0u) << feed;
    }
    // A build without a release key tells of the release and downloads nothing.
    context.publicKey.clear();
    clearNextUpdateDate(store);
    frontend.questions.clear();
    web.requests.clear();
    checkForUpdate(context);
    EXPECT_TRUE(frontend.questions.empty());
    EXPECT_EQ(
        frontend.texts(shell::MessageKind::Information),
        Names{"Version 0.0.1 of Pixtrail is now available\r\n\r\nIt can be found at x.test/p"});
    EXPECT_EQ(web.requests, Names(2, kFeed));
}

TEST_F(UpdateCheck, OnlyASignedReleaseIsWrittenAndStarted) {
    pixtrail::testing::TempFolder programs;
    const UpgradeFiles files = upgradeFiles(programs.path() / "pixtrail");
    std::string release = base::readFile("/bin/true").value(); // a program that ends at once,
    release.resize(std::max(release.size(), kMinimumReleaseBytes), '\0'); // padded if need be
    const std::string small = release.substr(0, release.size() - 1), junk(release.size(), 'x');
    web.responses = {{"x.test/small", small}, {"x.test/release", release}, {"x.test/junk", junk}};
    // too short, not there, not a program that can start (bad signatures: above)
    for (const auto& [address, signature] :
         {std::pair{"x.test/small", sign(small, "test-release-key.pem")},
          std::pair{"x.test/missing", sign("", "test-release-key.pem")},
          std::pair{"x.test/junk", sign(junk, "test-release-key.pem")}}) {
        downloadUpgrade(context, files, "9.9.9", address, signature);
        EXPECT_TRUE(std::filesystem::is_empty(programs.path())) << address;
    }
    // A folder that cannot be written (here: a file stands in its place) fails the upgrade
    // alone and leaves nothing behind.
    programs.write("folder", "mine");
    EXPECT_NO_THROW(downloadUpgrade(context, upgradeFiles(programs.path() / "folder" / "pixtrail"),
                                    "9.9.9", "x.test/release",
                                    sign(release, "test-release-key.pem")));
    EXPECT_EQ(programs.read("folder"), "mine");
    std::filesystem::remove(programs.path() / "folder");
    EXPECT_EQ(frontend.texts(shell::MessageKind::Warning),
              Names(4, "Upgrade failed - please try later"));
    EXPECT_THROW(downloadUpgrade(context, files, "9.9.9", "x.test/release",
                                 sign(release, "test-release-key.pem")),
                 base::ProgramEndRequested);
    EXPECT_EQ(base::readFile(base::ansiPath(files.newCopy())), release);
    EXPECT_EQ(base::readFile(base::ansiPath(files.newSpare())), release);
}
