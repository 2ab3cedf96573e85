#include "update/signature.hpp"

#include <openssl/evp.h>

#include <memory>
#include <optional>
#include <vector>

namespace pixtrail::update {
namespace {

std::optional<std::vector<unsigned char>> decodeBase64(std::string_view text) {
    std::string clean;
    for (char c : text)
        if (c != '\r' && c != '\n' && c != ' ' && c != '\t')
            clean += c;
    if (clean.empty() || clean.size() % 4 != 0)
        return std::nullopt;
    std::vector<unsigned char> out(clean.size() / 4 * 3);
    const int n = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(clean.data()),
                                  static_cast<int>(clean.size()));
    if (n < 0)
        return std::nullopt;
    size_t padding = 0;
    while (padding < 2 && clean[clean.size() - 1 - padding] == '=')
        ++padding;
    out.resize(static_cast<size_t>(n) - padding);
    return out;
}

} // namespace

std::string_view trustedPublicKey() {
    return PIXTRAIL_UPDATE_PUBLIC_KEY;
}

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
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> pkey(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, key->data(), key->size()),
        EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!pkey || !ctx ||
        EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, pkey.get()) != 1) {
        reason = "the signature check could not be set up";
        return false;
    }
    const int ok =
        EVP_DigestVerify(ctx.get(), signature->data(), signature->size(),
                         reinterpret_cast<const unsigned char*>(data.data()), data.size());
    if (ok != 1) {
        reason = "the signature does not match the download";
        return false;
    }
    return true;
}

} // namespace pixtrail::update
