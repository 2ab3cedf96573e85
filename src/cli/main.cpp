#include "shell/version.hpp"

#include <cstdio>
#include <cstring>

// The command-line front end. Until the run lands it only reports what it is.
int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-v") == 0)) {
        std::printf("%s\n", pixtrail::shell::windowTitle().c_str());
        return 0;
    }
    std::fprintf(stderr,
                 "%s: synchronisation runs are not available in this build yet.\n"
                 "Usage: pixtrail-cli --version\n",
                 pixtrail::shell::windowTitle().c_str());
    return 2;
}
