#include "gui_fixture.hpp"

#include <QApplication>

#include <string>

using namespace pixtrail::testing;

// "test_gui SUITE [Qt Test options]" runs one suite (without a name, all) offscreen.
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const TempFolder config; // the per-user folder of every program the tests start
    qputenv("XDG_CONFIG_HOME", config.path().string().c_str());
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--close-during-run" && argc == 3)
        return closeDuringRunChild(argv[2]);
    if (first == "--layout-check")
        return layoutCheckChild();
    if (first != "WindowTest" && first != "RunTest")
        return runWindowTest(argc, argv) + runRunTest(argc, argv);
    argv[1] = argv[0];
    return (first == "RunTest" ? runRunTest : runWindowTest)(argc - 1, argv + 1);
}
