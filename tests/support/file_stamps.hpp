#pragma once

#include <string>

// A recognisable stamp on a file, to prove that a rewrite carried it over: odd times (an
// access before the modification, the very case in which a read moves it) and uncommon
// permission bits (POSIX) or attributes (Windows). file_stamps_posix.cpp, _win.cpp.
namespace pixtrail::testing {

/// Gives the file at `path` the stamp; false when the system refused.
bool putTestStamp(const std::string& path);

/// Whether the file carries the stamp's modification time and bits, and (when
/// `accessToo`) its access time.
bool carriesTestStamp(const std::string& path, bool accessToo);

} // namespace pixtrail::testing
