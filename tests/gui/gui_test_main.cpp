#include "suites.hpp"

#include <QApplication>

#include <cstring>

// "test_gui SUITE [Qt Test options]" runs one suite; without a suite name, all of them.
// The window needs no display: Qt's offscreen platform draws into memory.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--close-during-run") == 0)
        return closeDuringRunChild(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "--layout-check") == 0)
        return layoutCheckChild();

    struct Suite {
        const char* name;
        int (*run)(int, char**);
    };
    const Suite suites[] = {{"StartupWindowTest", runStartupWindowTest},
                            {"InputTest", runInputTest},
                            {"CommandLineTest", runCommandLineTest},
                            {"RunWindowTest", runRunWindowTest},
                            {"ProgramTest", runProgramTest}};
    if (argc >= 2)
        for (const Suite& suite : suites)
            if (std::strcmp(argv[1], suite.name) == 0) {
                argv[1] = argv[0];
                return suite.run(argc - 1, argv + 1);
            }
    int failed = 0;
    for (const Suite& suite : suites)
        failed += suite.run(argc, argv);
    return failed;
}
