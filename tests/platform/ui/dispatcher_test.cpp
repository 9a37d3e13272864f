#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/testing/dialog_thread.h"
#include "platform/testing/manual_dispatcher.h"
#include "platform/ui/scoped_poster.h"

namespace zav::platform::sim {
namespace {

TEST(ManualDispatcher, RunsPostedTasksInOrderOnlyWhenDrained) {
    ManualDispatcher dispatcher;
    std::vector<int> ran;
    dispatcher.Post([&] {
        ran.push_back(1);
        dispatcher.Post([&] { ran.push_back(3); });
    });
    dispatcher.Post([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(dispatcher.PendingCount(), 2u);
    EXPECT_EQ(dispatcher.RunPending(), 3u);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(ManualDispatcher, SendRunsInlineOnTheDialogThreadAndWaitsElsewhere) {
    ManualDispatcher dispatcher;
    bool ranInline = false;
    EXPECT_TRUE(dispatcher.Send([&] { ranInline = dispatcher.OnDialogThread(); }));
    EXPECT_TRUE(ranInline);

    bool ranOnDialog = false;
    std::thread other(
        [&] { EXPECT_TRUE(dispatcher.Send([&] { ranOnDialog = dispatcher.OnDialogThread(); })); });
    while (dispatcher.RunFor(std::chrono::milliseconds(10)) == 0) {
    }
    other.join();
    EXPECT_TRUE(ranOnDialog);
}

TEST(DialogThread, RunsTasksOnItsOwnThreadInOrder) {
    std::vector<int> ran;
    bool onDialog = true;
    {
        DialogThread dialog;
        EXPECT_FALSE(dialog.OnDialogThread());
        for (int i = 0; i < 100; ++i)
            dialog.Post([&ran, i] { ran.push_back(i); });
        EXPECT_TRUE(dialog.Send([&] {
            onDialog = dialog.OnDialogThread();
            EXPECT_TRUE(dialog.Send([&] { ran.push_back(100); }));  // inline: no deadlock
        }));
        dialog.Post([&ran] { ran.push_back(101); });
    }  // runs what is left before ending
    EXPECT_TRUE(onDialog);
    ASSERT_EQ(ran.size(), 102u);
    for (int i = 0; i < 102; ++i)
        EXPECT_EQ(ran[static_cast<std::size_t>(i)], i);
}

TEST(ScopedPoster, ATaskPostedByAnOwnerThatHasGoneNeverRuns) {
    ManualDispatcher dispatcher;
    std::vector<int> ran;
    ScopedPoster lasting(dispatcher);
    {
        ScopedPoster gone(dispatcher);
        gone.Post([&] { ran.push_back(1); });
        lasting.Post([&] { ran.push_back(2); });
        std::thread([&] { gone.Post([&] { ran.push_back(3); }); }).join();
    }
    EXPECT_EQ(dispatcher.RunPending(), 3u);  // the queue drains; only the living owner's task ran
    EXPECT_EQ(ran, std::vector<int>{2});
}

}  // namespace
}  // namespace zav::platform::sim
