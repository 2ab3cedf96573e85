#include "sync/garmin_photos.hpp"

#include "base/ansi_text.hpp"
#include "base/file_facts.hpp"
#include "base/files.hpp"
#include "base/native_file.hpp"
#include "base/run_error.hpp"
#include "base/text.hpp"
#include "imaging/jpeg_reader.hpp"
#include "imaging/png_gif_reader.hpp"
#include "imaging/to_jpeg.hpp"
#include "shell/debug_log.hpp"
#include "sync/run_steps.hpp"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <tuple>
#include <unordered_set>

namespace fs = std::filesystem;

namespace pixtrail::sync {
namespace {

using shell::WriteDebug;

std::atomic<bool> g_refuseHardLinks{false};

constexpr char kSep = base::kPathSeparator;
constexpr std::string_view kSpoilersFolder = "Spoilers";
// Room for " (99).jpg" within the 255 bytes a name may have, even where every character
// takes three bytes of UTF-8.
constexpr std::size_t kMaxCaptionLength = 80;

std::string photosRoot() {
    return std::string(kGarminFolder) + kSep + std::string(kGeocachePhotosFolder);
}

// The characters a FAT file system (the device's memory) refuses in a name.
bool refusedOnDevice(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 0x20 || u == 0x7F ||
           std::string_view("\"*/:<>?\\|").find(c) != std::string_view::npos;
}

std::string deviceCaption(std::string_view caption) {
    std::string out(caption.substr(0, kMaxCaptionLength));
    for (char& c : out)
        if (refusedOnDevice(c))
            c = '_';
    // Windows and the device drop trailing dots and spaces, which would merge names.
    while (!out.empty() && (out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    const std::size_t start = out.find_first_not_of(' ');
    return start == std::string::npos ? "Spoiler" : out.substr(start);
}

[[noreturn]] void fail(int number, const std::string& what, const std::string& path) {
    throw base::RunError(number, "garmin", what + " '" + path + "'");
}

fs::file_status linkStatus(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec);
}

bool isRealFolder(const fs::path& path) {
    return fs::is_directory(linkStatus(path));
}

// Removes a file, link or folder (a folder with everything in it, links not followed).
// False when there was nothing to remove.
bool removeEntry(const fs::path& path) {
    if (!fs::exists(linkStatus(path)))
        return false;
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec)
        fail(base::err::kFileAccess, "Cannot delete", base::ansiPath(path));
    return true;
}

// Makes one level of the tree a real folder. A level that is the program's own gives way
// when something else stands in its place; one that is not is never touched.
void makeFolder(RunContext& run, const std::string& relative, bool ours, bool remember) {
    if (run.garminFolders.count(relative))
        return;
    const std::string path = run.spoilerFolder + relative;
    const fs::path native = base::nativePath(path);
    const fs::file_status status = linkStatus(native);
    if (!fs::is_directory(status)) {
        // A link could lead out of the spoiler folder: never write through one.
        if (fs::exists(status) && !ours)
            fail(base::err::kPathNotFound, "A file or link stands in the place of the folder",
                 path);
        removeEntry(native);
        std::error_code ec;
        if (!fs::create_directory(native, ec) || ec)
            fail(base::err::kPathNotFound, "Cannot create folder", path);
    }
    if (remember)
        run.garminFolders.insert(relative);
}

std::string firstBytes(const fs::path& path, std::size_t count) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(in ? count : static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

bool startsLikeJpeg(std::string_view bytes) {
    return bytes.substr(0, 3) == "\xFF\xD8\xFF";
}

// The device's file is current when it is the stored file itself (a hard link), or when
// it was made after the stored file last changed: a copy of the same size, or a
// conversion. A stored JPEG shrunk in place keeps its old date but not its size.
bool isCurrent(const fs::path& stored, const base::FileFacts& source, const fs::path& target) {
    const base::FileFacts made = base::fileFacts(target, false);
    if (!made.regular)
        return false;
    if (made.volume == source.volume && made.index == source.index)
        return true;
    if (made.modified < source.modified)
        return false;
    return made.size == source.size || !startsLikeJpeg(firstBytes(stored, 3));
}

std::pair<int, int> shrinkBox(const RunOptions& options) {
    if (!options.shrink)
        return {0, 0};
    return {options.shrinkWidth, options.shrinkHeight};
}

std::optional<std::string> readStored(const std::string& path) {
    auto bytes = base::readFile(path);
    if (!bytes && base::fileExists(path))
        fail(base::err::kFileAccess, "Cannot read", path);
    return bytes;
}

// Puts one picture in place: a JPEG as a hard link (a copy where the file system has
// none), a PNG or GIF converted (the slow part, on a worker). Anything else has nothing the
// device could show. An older file under the name goes in every case: it no longer shows
// the stored picture. `placed` runs once the device's file is in place.
void placePicture(RunContext& run, const std::string& storedPath, const std::string& targetPath,
                  std::function<void()> placed) {
    const fs::path stored = base::nativePath(storedPath);
    const fs::path target = base::nativePath(targetPath);
    const std::string head = firstBytes(stored, 8);
    shell::OrderedWorkers& workers = *run.workers;
    if (startsLikeJpeg(head)) {
        workers.submit(nullptr, [=] {
            removeEntry(target);
            std::error_code ec;
            // A link in the spoiler folder would be linked itself, not the picture it names.
            if (!g_refuseHardLinks.load() && !base::fileFacts(stored, false).link) {
                fs::create_hard_link(stored, target, ec);
                if (!ec) {
                    WriteDebug("Linked '" + targetPath + "' to '" + storedPath + "'");
                    return placed();
                }
            }
            const auto bytes = readStored(storedPath);
            if (!bytes)
                return; // gone since it was listed
            base::writeFileAtomically(targetPath, *bytes);
            WriteDebug("Copied '" + storedPath + "' to '" + targetPath + "'");
            placed();
        });
        return;
    }
    std::shared_ptr<const std::string> bytes;
    if (imaging::looksLikePng(head) || imaging::looksLikeGif(head)) {
        if (auto read = readStored(storedPath))
            bytes = std::make_shared<const std::string>(std::move(*read));
    } else {
        WriteDebug("Not a JPEG, PNG or GIF picture: '" + storedPath + "'");
    }
    auto jpeg = std::make_shared<std::optional<std::string>>();
    const std::pair<int, int> box = shrinkBox(run.options);
    workers.submit(
        [=] {
            if (!bytes)
                return;
            try {
                *jpeg = imaging::convertToJpeg(*bytes, box.first, box.second);
            } catch (const base::RunError& e) {
                if (e.number() != imaging::kInvalidPicture && e.number() != base::err::kOverflow)
                    throw;
                WriteDebug("Error: " + e.description() + " '" + storedPath + "'");
            }
        },
        [=] {
            removeEntry(target);
            if (!*jpeg)
                return;
            base::writeFileAtomically(targetPath, **jpeg);
            WriteDebug("Converted '" + storedPath + "' to '" + targetPath + "'");
            placed();
        },
        bytes ? bytes->size() : 0, bytes ? imaging::convertMemory(*bytes) : 0);
}

// Removes a cache's folder, then its two parents when that leaves them empty. Only when
// every level above it is a real folder: through a link the path could lead anywhere.
void removeCacheFolder(RunContext& run, std::string relative) {
    const std::string path = run.spoilerFolder + relative;
    if (!fs::exists(linkStatus(base::nativePath(path))))
        return;
    for (std::string level = relative; level.find(kSep) != std::string::npos;) {
        level.resize(level.rfind(kSep));
        if (!run.garminFolders.count(level) &&
            !isRealFolder(base::nativePath(run.spoilerFolder + level))) {
            WriteDebug("Not a folder: '" + run.spoilerFolder + level + "'");
            return;
        }
    }
    removeEntry(base::nativePath(path));
    WriteDebug("Deleted Garmin folder '" + path + "'");
    for (int level = 0; level < 2; ++level) {
        relative.resize(relative.rfind(kSep));
        std::error_code ec;
        if (!fs::remove(base::nativePath(run.spoilerFolder + relative), ec))
            break; // not empty
        run.garminFolders.erase(relative);
    }
}

// A name in the tree as Windows-1252 text; one the code page cannot spell is no code.
std::string nameOf(const fs::path& path) {
    std::string name;
    return base::entryNameInAnsi(path.filename(), name) ? name : std::string();
}

// The real folders inside a folder (links to folders are not followed).
std::vector<fs::path> subfolders(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeEc;
        if (it->is_directory(typeEc) && !it->is_symlink(typeEc))
            found.push_back(it->path());
    }
    return found;
}

} // namespace

std::optional<std::string> garminSpoilerFolder(std::string_view code) {
    const std::string upper = base::ansiUpper(code);
    if (upper.size() < 3)
        return std::nullopt;
    for (char c : upper)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')))
            return std::nullopt;
    const char second = upper.size() == 3 ? '0' : upper[upper.size() - 2];
    return photosRoot() + kSep + upper.back() + kSep + second + kSep + upper + kSep +
           std::string(kSpoilersFolder);
}

std::vector<GarminPicture> garminPictureNames(std::string_view code,
                                              const std::vector<std::string>& storedNames) {
    std::vector<GarminPicture> pictures;
    std::unordered_set<std::string> used; // in capitals: the device's names ignore case
    const std::string prefix = std::string(code) + " - ";
    for (const std::string& stored : storedNames) {
        std::string_view caption = stored;
        if (base::startsWithNoCase(caption, prefix))
            caption.remove_prefix(prefix.size());
        const std::size_t dot = caption.rfind('.');
        if (dot != std::string_view::npos)
            caption = caption.substr(0, dot);
        const std::string stem = deviceCaption(caption);
        std::string name = stem + ".jpg";
        for (int n = 2; used.count(base::ansiUpper(name)); ++n)
            name = stem + " (" + std::to_string(n) + ").jpg";
        used.insert(base::ansiUpper(name));
        pictures.push_back({stored, name});
    }
    return pictures;
}

void refuseHardLinksForTesting(bool refuse) {
    g_refuseHardLinks.store(refuse);
}

void arrangeGarminPhotos(RunContext& run, const std::string& name) {
    const auto relative = garminSpoilerFolder(name);
    if (!relative) {
        WriteDebug("No Garmin folder for '" + name + "'");
        return;
    }
    FolderIndex& folder = *run.folder;
    // JPEGs first, so that a JPEG keeps its caption when a PNG or GIF shares it.
    std::vector<std::string> stored;
    for (const char* extension : {".jpg", ".png", ".gif"})
        for (std::string& picture : folder.find(name + " - *" + extension))
            stored.push_back(std::move(picture));
    const std::vector<GarminPicture> pictures = garminPictureNames(name, stored);

    const std::string cacheRelative = relative->substr(0, relative->rfind(kSep));
    if (pictures.empty()) {
        removeCacheFolder(run, cacheRelative);
        return;
    }
    WriteDebug("Arranging Garmin photos in '" + run.spoilerFolder + *relative + "'");
    // The first two levels may hold the user's own things; the rest is the program's.
    makeFolder(run, std::string(kGarminFolder), false, true);
    makeFolder(run, photosRoot(), false, true);
    const std::string secondLevel = cacheRelative.substr(0, cacheRelative.rfind(kSep));
    makeFolder(run, secondLevel.substr(0, secondLevel.rfind(kSep)), true, true);
    makeFolder(run, secondLevel, true, true);
    makeFolder(run, cacheRelative, true, false);
    makeFolder(run, *relative, true, false);

    // Whatever the folder holds beyond this cache's pictures is out of date.
    const std::string spoilers = run.spoilerFolder + *relative + kSep;
    std::unordered_set<fs::path::string_type> expected;
    for (const GarminPicture& p : pictures)
        expected.insert(base::nativePath(p.name).native());
    std::vector<fs::path> extras;
    std::error_code ec;
    for (fs::directory_iterator it(base::nativePath(spoilers), ec), end; !ec && it != end;
         it.increment(ec))
        if (!expected.count(it->path().filename().native()))
            extras.push_back(it->path());
    for (const fs::path& extra : extras) {
        removeEntry(extra);
        WriteDebug("Deleted '" + base::ansiPath(extra) + "'");
    }

    int shown = 0;
    for (const GarminPicture& p : pictures) {
        const std::string storedPath = folder.path(p.stored);
        const std::string targetPath = spoilers + p.name;
        const base::FileFacts source = base::fileFacts(base::nativePath(storedPath), true);
        if (!source.regular) {
            WriteDebug("Stored picture gone: '" + storedPath + "'");
            removeEntry(base::nativePath(targetPath));
        } else if (isCurrent(base::nativePath(storedPath), source, base::nativePath(targetPath))) {
            ++shown;
        } else {
            placePicture(run, storedPath, targetPath, [&shown] { ++shown; });
        }
    }
    run.workers->drain();
    // A cache none of whose pictures the device could show gets no folder to browse.
    if (shown == 0)
        removeCacheFolder(run, cacheRelative);
}

void deleteUnusedGarminFolders(RunContext& run) {
    const std::string root = run.spoilerFolder + photosRoot();
    if (!isRealFolder(base::nativePath(run.spoilerFolder + std::string(kGarminFolder))) ||
        !isRealFolder(base::nativePath(root)))
        return;
    WriteDebug("Looking for unused Garmin folders");
    const std::unordered_set<std::string> codes = acceptedCodes(run.codeList);
    for (const fs::path& first : subfolders(base::nativePath(root))) {
        for (const fs::path& second : subfolders(first)) {
            const std::string parents =
                photosRoot() + kSep + nameOf(first) + kSep + nameOf(second) + kSep;
            std::vector<fs::path> unused;
            std::error_code ec;
            for (fs::directory_iterator it(second, ec), end; !ec && it != end; it.increment(ec)) {
                std::error_code typeEc;
                if (!it->is_directory(typeEc) && !it->is_symlink(typeEc))
                    continue; // a stray file is nobody's cache
                const std::string code = nameOf(it->path());
                // Kept only where the layout puts a listed cache, spelled as it spells it.
                const auto place = garminSpoilerFolder(code);
                if (!codes.count(base::ansiUpper(code)) || !place ||
                    *place != parents + code + kSep + std::string(kSpoilersFolder))
                    unused.push_back(it->path());
            }
            for (const fs::path& folder : unused) {
                removeEntry(folder);
                WriteDebug("Deleted Garmin folder '" + base::ansiPath(folder) + "'");
            }
            std::error_code removeEc;
            fs::remove(second, removeEc); // only when empty
        }
        std::error_code removeEc;
        fs::remove(first, removeEc);
    }
}

void removeGarminPhotos(RunContext& run) {
    const std::string garmin = run.spoilerFolder + std::string(kGarminFolder);
    const std::string photos = run.spoilerFolder + photosRoot();
    // Only the program's own tree goes, and never through a link.
    if (!isRealFolder(base::nativePath(garmin)) || !isRealFolder(base::nativePath(photos)))
        return;
    removeEntry(base::nativePath(photos));
    WriteDebug("Deleted '" + photos + "'");
    std::error_code ec;
    fs::remove(base::nativePath(garmin), ec); // only when nothing else is kept there
}

} // namespace pixtrail::sync
