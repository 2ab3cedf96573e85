#include "update/feed.hpp"
#include "update/scramble.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

// An update feed page, and a stored next-check value, of any bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pixtrail::update;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const Feed feed = parseFeed(text);
    if (feed.version && feed.version->size() > 100)
        __builtin_trap();
    if (feed.download.size() > 200)
        __builtin_trap();
    daysBetweenChecks(feed);
    isWithdrawn(text, "Pixtrail v1.0.0");
    UnscrambleText(text);
    // Whatever is scrambled reads back.
    if (size <= 64 &&
        UnscrambleText(scrambleWithKey(text, 1 + static_cast<int>(size % 251))) != text)
        __builtin_trap();
    return 0;
}
