// Icons drawn with GDI, checked against the shapes' own geometry; and the dispatcher of the
// dialog thread: posts from many threads run there in each thread's order, Send waits for its
// task, runs inline on the dialog thread, and is refused inside a device or timer callback.

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <atomic>
#include <cmath>
#include <functional>
#include <thread>
#include <vector>

#include "keyvoice/resources.h"
#include "platform/audio/device_callback.h"
#include "platform/win32_dialogs/icon_renderer.h"
#include "platform/win32_dialogs/win32_dispatcher.h"
#include "voxgauge/resources.h"

namespace win32_dialog_test {
namespace {

namespace platform = zav::platform;
namespace win32 = zav::platform::win32;

std::uint32_t Alpha(std::uint32_t argb) {
    return argb >> 24;
}

// Pixel centres clearly inside a shape are its colour, clearly outside it untouched, and some
// on its edge in between: smooth, not stair-stepped.
TEST(Win32Icons, ShapesCoverThePixelsTheirGeometrySays) {
    constexpr int kSize = 48;
    constexpr float kCanvas = 32;
    const float scale = kSize / kCanvas;
    constexpr std::uint32_t kRed = 0xFFC62828;
    const std::array<platform::IconShape, 2> shapes{{
        platform::IconDisc(10, 10, 6, kRed),
        // The upper half of a ring (counter-clockwise from 180 degrees back to 0).
        platform::IconArc(20, 22, 8, 2, 180, -180, 0xFF2050A0),
    }};
    const platform::IconDrawing drawing{1, kCanvas, shapes};
    const std::vector<std::uint32_t> pixels = win32::RenderIconPixels(drawing, kSize);
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(kSize * kSize));

    int partial = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const double cx = (x + 0.5) / scale;
            const double cy = (y + 0.5) / scale;
            const std::uint32_t pixel = pixels[static_cast<std::size_t>(y * kSize + x)];
            const double disc = std::hypot(cx - 10, cy - 10);
            const double ring = std::hypot(cx - 20, cy - 22);
            const bool upper = cy < 22 - 1.5;
            if (disc < 6 - 1 && std::abs(ring - 8) > 2) {
                EXPECT_EQ(pixel, kRed) << x << "," << y;
            } else if (std::abs(ring - 8) < 0.4 && upper && disc > 7) {
                EXPECT_EQ(pixel, 0xFF2050A0u) << x << "," << y;
            } else if (disc > 6 + 1 && (std::abs(ring - 8) > 2 || cy > 22 + 2)) {
                EXPECT_EQ(Alpha(pixel), 0u) << x << "," << y;
            }
            if (Alpha(pixel) > 0 && Alpha(pixel) < 255)
                ++partial;
        }
    }
    EXPECT_GT(partial, 20);
    EXPECT_TRUE(win32::RenderIconPixels(drawing, 0).empty());
}

TEST(Win32Icons, TheProgramsIconsBecomeHostIcons) {
    for (const platform::IconDrawing* icon :
         {&voxgauge::MainFrameIcon(), &keyvoice::MainFrameIcon(), &keyvoice::PlayIcon(),
          &keyvoice::StopIcon(), &keyvoice::RecIcon()}) {
        for (const int size : {16, 22, 32, 48}) {
            const win32::UniqueIcon made = win32::MakeIcon(*icon, size);
            ASSERT_NE(made, nullptr) << icon->id << " at " << size;
            ICONINFO info{};
            ASSERT_TRUE(::GetIconInfo(made.get(), &info));
            BITMAP bitmap{};
            ::GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
            EXPECT_EQ(bitmap.bmWidth, size);
            EXPECT_EQ(bitmap.bmHeight, size);
            ::DeleteObject(info.hbmColor);
            ::DeleteObject(info.hbmMask);
        }
    }
    // REC is a dark red disc in the middle, the corners stay clear.
    const std::vector<std::uint32_t> rec = win32::RenderIconPixels(keyvoice::RecIcon(), 32);
    EXPECT_EQ(rec[16 * 32 + 16], 0xFF8B0000u);
    EXPECT_EQ(Alpha(rec[0]), 0u);
}

// Runs the calling thread's messages until done or about limitMs have passed.
bool PumpUntil(const std::function<bool()>& done, int limitMs = 5000) {
    for (int i = 0; i < limitMs && !done(); ++i) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&message);
        ::Sleep(1);
    }
    return done();
}

TEST(Win32Dispatcher, PostsFromManyThreadsRunOnTheDialogThreadInTheirOrder) {
    constexpr int kThreads = 4;
    constexpr int kTasks = 2000;
    win32::Win32Dispatcher dispatcher;
    ASSERT_TRUE(dispatcher.Valid());
    const DWORD dialogThread = ::GetCurrentThreadId();
    std::array<std::vector<int>, kThreads> seen;  // dialog thread only
    std::atomic<int> wrongThread{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kTasks; ++i) {
                dispatcher.Post([&, t, i] {
                    if (::GetCurrentThreadId() != dialogThread)
                        ++wrongThread;
                    seen[static_cast<std::size_t>(t)].push_back(i);
                });
            }
        });
    }
    const bool allRan = PumpUntil([&] {
        std::size_t total = 0;
        for (const auto& list : seen)
            total += list.size();
        return total == kThreads * kTasks;
    });
    for (std::thread& poster : posters)
        poster.join();

    ASSERT_TRUE(allRan);
    EXPECT_EQ(wrongThread.load(), 0);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), static_cast<std::size_t>(kTasks));
        for (int i = 0; i < kTasks; ++i)
            ASSERT_EQ(list[static_cast<std::size_t>(i)], i);
    }
}

TEST(Win32Dispatcher, SendWaitsRunsInlineHereAndIsRefusedInsideACallback) {
    win32::Win32Dispatcher dispatcher;
    EXPECT_TRUE(dispatcher.OnDialogThread());

    bool ranInline = false;
    EXPECT_TRUE(dispatcher.Send([&] { ranInline = true; }));
    EXPECT_TRUE(ranInline);  // ran before Send returned, without a message loop

    std::atomic<bool> sent{false};
    std::atomic<bool> ranBeforeReturn{false};
    std::atomic<bool> refused{false};
    std::atomic<bool> refusedTaskRan{false};
    std::atomic<bool> otherThreadIsDialog{true};
    int value = 0;
    std::thread device([&] {
        otherThreadIsDialog = dispatcher.OnDialogThread();
        sent = dispatcher.Send([&] { value = 42; });
        ranBeforeReturn = value == 42;
        const platform::CallbackScope callback(platform::CallbackKind::Timer);
        refused = !dispatcher.Send([&] { refusedTaskRan = true; });
    });
    ASSERT_TRUE(PumpUntil([&] { return refused.load(); }));
    device.join();
    PumpUntil([] { return false; }, 50);  // anything still queued would run now

    EXPECT_FALSE(otherThreadIsDialog);
    EXPECT_TRUE(sent);
    EXPECT_TRUE(ranBeforeReturn);
    EXPECT_FALSE(refusedTaskRan);
}

}  // namespace
}  // namespace win32_dialog_test
