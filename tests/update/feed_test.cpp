#include "update/feed.hpp"
#include "update/scramble.hpp"
#include "update/signature.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <set>
#include <sstream>

using namespace pixtrail::update;

namespace {

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Signs as the release tool does, with a key pair kept for the tests.
std::string sign(const std::string& data, const std::string& keyFile) {
    std::unique_ptr<FILE, decltype(&fclose)> f(fopen(keyFile.c_str(), "r"), fclose);
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        PEM_read_PrivateKey(f.get(), nullptr, nullptr, nullptr), EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char sig[64];
    size_t length = sizeof sig;
    EXPECT_EQ(EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()), 1);
    EXPECT_EQ(EVP_DigestSign(ctx.get(), sig, &length,
                             reinterpret_cast<const unsigned char*>(data.data()), data.size()),
              1);
    unsigned char b64[100];
    const int n = EVP_EncodeBlock(b64, sig, static_cast<int>(length));
    return std::string(reinterpret_cast<char*>(b64), static_cast<size_t>(n));
}

const std::string kData = PIXTRAIL_TEST_DATA_DIR "/update/";

} // namespace

TEST(Scramble, EveryKeyRoundTripsAndTheFormIsFixed) {
    const std::string date = "2026-12-07 14:05:09";
    for (int key = 1; key <= 251; ++key) {
        const std::string s = scrambleWithKey(date, key);
        ASSERT_EQ(s.size(), 2 + 2 * date.size());
        ASSERT_EQ(s.find_first_not_of("0123456789ABCDEF"), std::string::npos) << s;
        ASSERT_EQ(UnscrambleText(s), date) << key;
    }
    EXPECT_EQ(scrambleWithKey("A", 1), "0141"); // 1 XOR 'A' (0x41) XOR 1
    std::set<std::string> drawn;
    for (int i = 0; i < 20; ++i)
        drawn.insert(ScrambleText(date));
    EXPECT_GT(drawn.size(), 1u); // the key is drawn anew
    for (const std::string& s : drawn)
        EXPECT_EQ(UnscrambleText(s), date);
    EXPECT_EQ(UnscrambleText(""), "");
    EXPECT_EQ(UnscrambleText("ZZ41"), std::nullopt); // hand-edited junk: no date, no error
    EXPECT_EQ(UnscrambleText("01G1"), std::nullopt);
}

TEST(Feed, TagsAreReadAsTheyStand) {
    Feed f = parseFeed("<html><VERSION>1.0.38</VERSION><Days>7</Days>"
                       "<download>http://x.test/p</download><signature> c2ln </signature>");
    EXPECT_EQ(f.version, "1.0.38");
    EXPECT_EQ(daysBetweenChecks(f), 7);
    EXPECT_EQ(f.download, "http://x.test/p");
    EXPECT_EQ(f.signature, "c2ln");

    f = parseFeed("<version> 1.0.0</version><days>abc</days>");
    EXPECT_EQ(f.version, " 1.0.0"); // not trimmed: differs from the running version
    EXPECT_EQ(f.download, "");
    EXPECT_EQ(daysBetweenChecks(f), 1);
    EXPECT_EQ(daysBetweenChecks(parseFeed("nothing")), 1);
    EXPECT_EQ(daysBetweenChecks(parseFeed("<days>2.5</days>")), 2.5);

    // No download without a version; values without "<" are cut at 100 and 200.
    EXPECT_EQ(parseFeed("<download>http://x.test/p</download>").download, "");
    f = parseFeed("<version>" + std::string(150, 'v') + "<download>" + std::string(250, 'd'));
    EXPECT_EQ(f.version, std::string(100, 'v'));
    EXPECT_EQ(f.download, std::string(200, 'd'));
}

TEST(Feed, OnlyTheExactTitleIsWithdrawn) {
    EXPECT_TRUE(isWithdrawn("x<lockout>Pixtrail v1.0.37</lockout>y", "Pixtrail v1.0.37"));
    EXPECT_TRUE(isWithdrawn("<LOCKOUT>pixtrail V1.0.37</LOCKOUT>", "Pixtrail v1.0.37"));
    EXPECT_FALSE(isWithdrawn("<lockout>Pixtrail v1.0.3</lockout>", "Pixtrail v1.0.37"));
    EXPECT_FALSE(isWithdrawn("<lockout>Pixtrail v1.0.37 </lockout>", "Pixtrail v1.0.37"));
}

TEST(Signature, OnlyTheReleaseKeysSignatureOfTheExactBytesPasses) {
    const std::string release = "release bytes \x7f\x45\x4c\x46 and more";
    const std::string publicKey = readText(kData + "test-release-key.pub");
    const std::string signature = sign(release, kData + "test-release-key.pem");
    std::string reason;
    EXPECT_TRUE(verifyRelease(release, signature, publicKey, reason)) << reason;

    std::string tampered = release;
    tampered[3] ^= 1;
    EXPECT_FALSE(verifyRelease(tampered, signature, publicKey, reason));
    EXPECT_EQ(reason, "the signature does not match the download");
    EXPECT_FALSE(verifyRelease(release, sign(release, kData + "other-key.pem"), publicKey, reason));
    EXPECT_FALSE(verifyRelease(release, "", publicKey, reason));
    EXPECT_EQ(reason, "the feed carries no signature");
    EXPECT_FALSE(verifyRelease(release, "not base64!", publicKey, reason));
    EXPECT_FALSE(verifyRelease(release, signature, "", reason));
    EXPECT_FALSE(trustedPublicKey().empty());
}
