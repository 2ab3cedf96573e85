#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace pixtrail::testing {

/// The bytes of tests/data/`name`.
inline std::string testData(const std::string& name) {
    std::ifstream in(std::string(PIXTRAIL_TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

/// Compares `actual` with the expected text kept in tests/data/`name`. With
/// PIXTRAIL_UPDATE_GOLDEN=1 in the environment the file is written instead, for a person
/// to read and commit; the test then fails, so an update is never taken for a pass.
inline void expectGolden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(PIXTRAIL_TEST_DATA_DIR) + "/" + name;
    if (const char* update = std::getenv("PIXTRAIL_UPDATE_GOLDEN"); update && *update == '1') {
        std::ofstream(path, std::ios::binary) << actual;
        ADD_FAILURE() << "wrote " << path;
        return;
    }
    const std::string expected = testData(name);
    if (expected == actual)
        return;
    size_t at = 0;
    while (at < expected.size() && at < actual.size() && expected[at] == actual[at])
        ++at;
    const size_t line =
        expected.rfind('\n', at) == std::string::npos ? 0 : expected.rfind('\n', at) + 1;
    ADD_FAILURE() << name << " differs from byte " << at
                  << ":\n  expected: " << expected.substr(line, 160)
                  << "\n  actual:   " << actual.substr(line, 160);
}

} // namespace pixtrail::testing
