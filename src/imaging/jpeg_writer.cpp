#include "imaging/jpeg_writer.hpp"

#include "base/run_error.hpp"
#include "imaging/file_stamp.hpp"
#include "shell/debug_log.hpp"

#include <turbojpeg.h>

#include <memory>

namespace pixtrail::imaging {
namespace {

constexpr const char* kSource = "SaveJPG";

struct TjDestroy {
    void operator()(void* handle) const { tjDestroy(handle); }
};
struct TjFree {
    void operator()(unsigned char* buffer) const { tjFree(buffer); }
};

[[noreturn]] void fail(tjhandle handle, const std::string& description) {
    const int code = tjGetErrorCode(handle);
    // The description keeps the plain form users know; the encoder's reason goes to the trace.
    shell::WriteDebug(std::string("JPEG encoder: ") + tjGetErrorStr2(handle));
    throw base::RunError(kJpegWriterError, kSource, description + std::to_string(code));
}

} // namespace

std::string encodeJpeg(const cDIBSection& dib, int quality) {
    const std::unique_ptr<void, TjDestroy> handle(tjInitCompress());
    if (!handle)
        fail(nullptr, "Failed to initialise the IJL library: ");
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    // The encoder's default is its fast DCT; on pictures of this size the accurate one
    // costs next to nothing and keeps more of the detail the filter preserved.
    const int result =
        tjCompress2(handle.get(), dib.DIBSectionBitsPtr(), dib.Width(),
                    dib.isLive() ? dib.BytesPerScanLine() : 0, dib.Height(), TJPF_BGR, &buffer,
                    &size, TJSAMP_444, quality, TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT);
    const std::unique_ptr<unsigned char, TjFree> owned(buffer);
    if (result != 0)
        fail(handle.get(), "Failed to save to JPG ");
    return std::string(reinterpret_cast<const char*>(buffer), size);
}

bool SaveJPG(const cDIBSection& dib, std::string_view path, int quality) {
    const auto stamp = readFileStamp(path);
    replaceFileKeepingStamp(path, encodeJpeg(dib, quality), stamp);
    return true;
}

} // namespace pixtrail::imaging
