#pragma once

#include <string_view>

namespace pixtrail::imaging {

/// Shrinks a stored JPEG picture in place so that it fits `width` by `height`, keeping its
/// aspect ratio; a picture already within the box is left as it is. Throws RunError
/// "Invalid picture" when the file cannot be read as a picture.
void shrinkJpegFile(std::string_view path, int width, int height);

} // namespace pixtrail::imaging
