#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace pixtrail::base {

/// A run-time failure: the number, the procedure or library it came from, and a
/// description a user can act on. Caught by the procedure-level handlers of the run.
class RunError : public std::runtime_error {
public:
    RunError(int number, std::string source, std::string description)
        : std::runtime_error(description), m_number(number), m_source(std::move(source)),
          m_description(std::move(description)) {}

    int number() const noexcept { return m_number; }
    const std::string& source() const noexcept { return m_source; }
    const std::string& description() const noexcept { return m_description; }

private:
    int m_number;
    std::string m_source;
    std::string m_description;
};

/// Thrown when the program must end where it stands (a cache whose scrape failed, a
/// withdrawn version, an upgrade that has been started). The front end ends the process
/// with the exit code.
class ProgramEndRequested : public std::exception {
public:
    explicit ProgramEndRequested(int exitCode) : m_exitCode(exitCode) {}
    int exitCode() const noexcept { return m_exitCode; }
    const char* what() const noexcept override { return "program end requested"; }

private:
    int m_exitCode;
};

/// Error numbers the program raises; the values follow the classic run-time numbering
/// so that a number seen in a log means the same thing everywhere.
namespace err {
constexpr int kOverflow = 6;
constexpr int kFileNotFound = 53;
constexpr int kFileAccess = 75;
constexpr int kPathNotFound = 76;
constexpr int kCannotCreateObject = 429; ///< a component (libcurl, ...) could not be set up
} // namespace err

} // namespace pixtrail::base
