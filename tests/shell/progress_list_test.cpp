#include "shell/progress_list.hpp"

#include "support/recording_frontend.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using pixtrail::shell::ProgressList;

// Stop (on the window's thread) adds its line while the run (on its own) writes the result
// of the cache in progress into the current line: the result must never land on the stop
// line, in the list or in what the window shows.
TEST(ProgressList, TheStopLineIsNeverOverwrittenByTheRunsResult) {
    pixtrail::testing::RecordingFrontend frontend;
    ProgressList list(frontend);
    list.add("Processing GC1A2B3");
    std::atomic<bool> stopped{false};
    std::thread run([&] {
        while (!stopped)
            list.setCurrentLine("GC1A2B3 no spoilers found");
    });
    for (int i = 0; i < 20000; ++i)
        list.addKeepingCurrent("Stopping in progress");
    stopped = true;
    run.join();
    for (const auto& lines : {list.lines(), frontend.lines}) {
        ASSERT_EQ(lines.size(), 20001u);
        for (std::size_t i = 1; i < lines.size(); ++i)
            ASSERT_EQ(lines[i], "Stopping in progress") << i;
    }
    EXPECT_EQ(list.currentIndex(), 0);
}
