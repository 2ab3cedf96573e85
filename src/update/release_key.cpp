#include "update/signature.hpp"

namespace pixtrail::update {

// Alone in its file, so that a build with another key recompiles this alone, and a test
// program that links a file of its own defining this function trusts the tests' key while
// everything else stays the release's.
std::string_view trustedPublicKey() {
    return PIXTRAIL_UPDATE_PUBLIC_KEY;
}

} // namespace pixtrail::update
