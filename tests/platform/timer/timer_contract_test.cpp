// What every multimedia timer promises before any tick runs: resolution requests inside the
// capabilities are counted until given back, and events it cannot make are refused. Run
// against the real timer and the simulated one; none of these start a timer thread.

#include <gtest/gtest.h>

#include <cstdint>

#include "platform/testing/sim_multimedia_timer.h"
#include "platform/timer/thread_timer.h"

namespace {

using zav::platform::kNoTimerEvent;
using zav::platform::ThreadTimer;
using zav::platform::TimerCaps;
using zav::platform::TimerEventId;
using zav::platform::TimerResult;
using zav::platform::sim::SimMultimediaTimer;

template <typename Timer>
class TimerContract : public testing::Test {
  protected:
    TimerCaps Caps() {
        TimerCaps caps;
        EXPECT_EQ(timer_.GetDevCaps(caps), TimerResult::NoError);
        return caps;
    }

    Timer timer_;
};

using Timers = testing::Types<ThreadTimer, SimMultimediaTimer>;
TYPED_TEST_SUITE(TimerContract, Timers);

TYPED_TEST(TimerContract, ResolutionRequestsInsideTheCapsAreCountedUntilGivenBack) {
    const TimerCaps caps = this->Caps();
    // KeyVoice's start-up asks for 100 ms and gives up when the minimum period is above it.
    ASSERT_LE(caps.periodMin, 100u);
    struct Request {
        std::uint32_t periodMs;
        TimerResult expected;
    };
    const Request requests[] = {
        {0, TimerResult::NoCanDo},
        {caps.periodMin, TimerResult::NoError},
        {100, TimerResult::NoError},
        {100, TimerResult::NoError},
        {caps.periodMax, TimerResult::NoError},
        {caps.periodMax + 1, TimerResult::NoCanDo},
    };
    for (const Request& request : requests)
        EXPECT_EQ(this->timer_.BeginPeriod(request.periodMs), request.expected) << request.periodMs;
    EXPECT_EQ(this->timer_.OutstandingPeriodRequests(), 4u);

    EXPECT_EQ(this->timer_.EndPeriod(100), TimerResult::NoError);
    EXPECT_EQ(this->timer_.EndPeriod(100), TimerResult::NoError);
    EXPECT_EQ(this->timer_.EndPeriod(100), TimerResult::NoCanDo);  // none left to give back
    EXPECT_EQ(this->timer_.EndPeriod(caps.periodMax + 1), TimerResult::NoCanDo);
    EXPECT_EQ(this->timer_.OutstandingPeriodRequests(), 2u);
}

TYPED_TEST(TimerContract, EventsItCannotMakeAreRefused) {
    const TimerCaps caps = this->Caps();
    const auto ignore = [](TimerEventId) {};
    EXPECT_EQ(this->timer_.SetEvent(0, 20, ignore), kNoTimerEvent);
    EXPECT_EQ(this->timer_.SetEvent(caps.periodMax + 1, 20, ignore), kNoTimerEvent);
    EXPECT_EQ(this->timer_.SetEvent(100, 20, nullptr), kNoTimerEvent);

    EXPECT_EQ(this->timer_.KillEvent(kNoTimerEvent), TimerResult::NoCanDo);
    EXPECT_EQ(this->timer_.KillEvent(TimerEventId{42}), TimerResult::NoCanDo);
}

}  // namespace
