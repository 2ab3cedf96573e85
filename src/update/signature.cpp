#include "update/signature.hpp"

#include <gcrypt.h>

#include <optional>
#include <vector>

namespace pixtrail::update {
namespace {

std::optional<std::vector<unsigned char>> decodeBase64(std::string_view text) {
    static constexpr std::string_view kAlphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string clean;
    for (char c : text)
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
            clean += c;
    if (clean.empty() || clean.size() % 4 != 0)
        return std::nullopt;
    std::vector<unsigned char> out;
    unsigned bits = 0;
    int count = 0;
    size_t padding = 0;
    for (size_t i = 0; i < clean.size(); ++i) {
        if (clean[i] == '=') {
            // Only at the end, at most two.
            if (i + 2 < clean.size() || (i + 1 < clean.size() && clean[i + 1] != '='))
                return std::nullopt;
            ++padding;
            continue;
        }
        const size_t value = kAlphabet.find(clean[i]);
        if (value == std::string_view::npos || padding)
            return std::nullopt;
        bits = (bits << 6) | static_cast<unsigned>(value);
        if (++count == 4) {
            out.push_back(static_cast<unsigned char>(bits >> 16));
            out.push_back(static_cast<unsigned char>(bits >> 8));
            out.push_back(static_cast<unsigned char>(bits));
            bits = 0;
            count = 0;
        }
    }
    if (padding > 2)
        return std::nullopt;
    if (count == 3) { // one "=": two more bytes
        out.push_back(static_cast<unsigned char>(bits >> 10));
        out.push_back(static_cast<unsigned char>(bits >> 2));
    } else if (count == 2) { // "==": one more byte
        out.push_back(static_cast<unsigned char>(bits >> 4));
    }
    return out;
}

// libgcrypt wants to be told once that it may run without a secure memory pool: it only
// checks signatures here, and holds no secret.
bool cryptoReady() {
    static const bool ready = [] {
        if (!gcry_check_version(GCRYPT_VERSION))
            return false;
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
        return true;
    }();
    return ready;
}

struct Sexp {
    gcry_sexp_t value = nullptr;
    ~Sexp() { gcry_sexp_release(value); }
};

} // namespace

bool verifyRelease(std::string_view data, std::string_view signatureBase64,
                   std::string_view publicKeyBase64, std::string& reason) {
    if (signatureBase64.empty()) {
        reason = "the feed carries no signature";
        return false;
    }
    const auto signature = decodeBase64(signatureBase64);
    if (!signature || signature->size() != 64) {
        reason = "the signature is not a base64 Ed25519 signature";
        return false;
    }
    const auto key = decodeBase64(publicKeyBase64);
    if (!key || key->size() != 32) {
        reason = "the trusted key is unusable";
        return false;
    }
    // The release key signs the SHA-512 digest of the program (libgcrypt holds a message in
    // an S-expression, whose tokens are limited to 64 KiB).
    if (!cryptoReady()) {
        reason = "the signature check could not be set up";
        return false;
    }
    unsigned char digest[64];
    gcry_md_hash_buffer(GCRY_MD_SHA512, digest, data.data(), data.size());
    Sexp pkey, sig, message;
    if (gcry_sexp_build(&pkey.value, nullptr,
                        "(public-key (ecc (curve Ed25519) (flags eddsa) (q %b)))", 32,
                        key->data()) ||
        gcry_sexp_build(&sig.value, nullptr, "(sig-val (eddsa (r %b) (s %b)))", 32,
                        signature->data(), 32, signature->data() + 32) ||
        gcry_sexp_build(&message.value, nullptr,
                        "(data (flags eddsa) (hash-algo sha512) (value %b))",
                        static_cast<int>(sizeof digest), digest)) {
        reason = "the signature check could not be set up";
        return false;
    }
    if (gcry_pk_verify(sig.value, message.value, pkey.value) != 0) {
        reason = "the signature does not match the download";
        return false;
    }
    return true;
}

} // namespace pixtrail::update
