#pragma once

#include <string>
#include <string_view>

namespace pixtrail::update {

/// The release key's public half (base64 of the 32 raw Ed25519 bytes) this program
/// trusts, fixed when it is built.
std::string_view trustedPublicKey();

/// Checks that `signatureBase64` is an Ed25519 signature of the SHA-512 digest of exactly
/// `data`, made with the private half of `publicKeyBase64` (scripts/sign-release.sh). On
/// failure `reason` says why.
bool verifyRelease(std::string_view data, std::string_view signatureBase64,
                   std::string_view publicKeyBase64, std::string& reason);

} // namespace pixtrail::update
