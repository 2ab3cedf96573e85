#include "scrape/caption_filter.hpp"
#include "scrape/page_walk.hpp"
#include "sync/waypoint_reader.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

// A cache page of any bytes: the name, the walk over picture links, the caption filter and
// the file names the pictures would get.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pixtrail::scrape;
    const std::string page(reinterpret_cast<const char*>(data), size);
    findCacheName(page);
    static const auto prefixes = pictureLinkPrefixes("img.test", "imgcdn.test", "img3.test");
    CaptionFilter filter(true, "spoiler,hint", true, "no spoil,not spoil,");
    walkPictureLinks(page, prefixes, [&](const std::string& link, const std::string& caption) {
        if (caption.size() > 50)
            __builtin_trap();
        const std::string kept = filter.judge(caption, link);
        if (kept.empty())
            return;
        const std::string name = pictureFileName("GC1A2B3", kept, link);
        // A stored picture's name stays inside the spoiler folder.
        if (!pixtrail::sync::isSafeFileName(name) &&
            name.find_first_of("/\\:") != std::string::npos)
            __builtin_trap();
    });
    return 0;
}
