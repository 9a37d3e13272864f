#include "platform/sim/sim_sound_card.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "tests/support/capture_test_support.h"

namespace zav::platform::sim {
namespace {

using capture_test::SampleAt;
using capture_test::ViolationLog;

PcmWaveFormat Format(std::uint32_t rate, std::uint16_t channels, std::uint16_t bits) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return PcmWaveFormat{kWaveFormatPcm, channels, rate, rate * align, align, bits};
}

const PcmWaveFormat kMono16 = Format(22050, 1, 16);

// A buffer of its own memory.
struct Buffer {
    explicit Buffer(std::uint32_t bytes) : data(bytes) {
        header.data = data.data();
        header.bufferLength = bytes;
    }
    std::vector<std::uint8_t> data;
    WaveHeader header;
};

struct Event {
    WaveMessage message;
    WaveHeader* header;
};

// An input device opened on a card whose broken rules fail the test, recording its callbacks.
class SimInputTest : public testing::Test {
  protected:
    explicit SimInputTest(SimCardConfig config = {}) : card_(std::move(config)) {
        capture_test::FailOnViolation(card_);
    }

    void OpenMono() {
        ASSERT_EQ(card_.WaveIn().Open(handle_, kWaveMapper, kMono16, Recorder()),
                  MmResult::NoError);
    }
    WaveInCallback Recorder() {
        return [this](WaveInHandle, WaveMessage message, WaveHeader* header) {
            events_.push_back({message, header});
        };
    }
    void Queue(Buffer& buffer) {
        ASSERT_EQ(card_.WaveIn().PrepareHeader(handle_, buffer.header), MmResult::NoError);
        ASSERT_EQ(card_.WaveIn().AddBuffer(handle_, buffer.header), MmResult::NoError);
    }
    void CloseDevice() {
        card_.WaveIn().Reset(handle_);
        ASSERT_EQ(card_.WaveIn().Close(handle_), MmResult::NoError);
    }
    std::vector<WaveHeader*> Returned() const {
        std::vector<WaveHeader*> headers;
        for (const Event& event : events_) {
            if (event.message == WaveMessage::InData)
                headers.push_back(event.header);
        }
        return headers;
    }

    SimSoundCard card_;
    WaveInHandle handle_;
    std::vector<Event> events_;
};

TEST_F(SimInputTest, FillsBuffersInOrderAsTimePasses) {
    card_.SetMicSignal([](std::uint64_t frame, std::uint32_t, std::uint32_t) {
        return static_cast<std::int16_t>(frame % 1000);
    });
    OpenMono();
    Buffer first(4410), second(4410);  // 100 ms each
    Queue(first);
    Queue(second);
    ASSERT_EQ(card_.WaveIn().Start(handle_), MmResult::NoError);

    card_.AdvanceBy(99);
    EXPECT_TRUE(Returned().empty());
    std::uint32_t position = 0;
    card_.WaveIn().GetPosition(handle_, position);
    EXPECT_EQ(position, 2182u * 2);  // 99 ms of 22050 frames a second, whole frames

    card_.AdvanceBy(101);
    ASSERT_EQ(Returned(), (std::vector<WaveHeader*>{&first.header, &second.header}));
    EXPECT_EQ(first.header.bytesRecorded, 4410u);
    EXPECT_EQ(first.header.flags, kWaveHeaderPrepared | kWaveHeaderDone);
    EXPECT_EQ(SampleAt(first.data.data(), 7), 7);
    EXPECT_EQ(SampleAt(second.data.data(), 0), 205);  // frame 2205 continues the signal
    EXPECT_EQ(events_.front().message, WaveMessage::InOpen);
    CloseDevice();
    EXPECT_EQ(events_.back().message, WaveMessage::InClose);
}

TEST_F(SimInputTest, FramesWithoutAQueuedBufferAreCountedAsLost) {
    OpenMono();
    card_.WaveIn().Start(handle_);
    card_.AdvanceBy(1000);
    EXPECT_EQ(card_.InputOverrunFrames(), 22050u);
    std::uint32_t position = 1;
    card_.WaveIn().GetPosition(handle_, position);
    EXPECT_EQ(position, 0u);
    CloseDevice();
}

TEST_F(SimInputTest, StopReturnsOnlyThePartlyFilledBuffer) {
    OpenMono();
    Buffer first(4410), second(4410);
    Queue(first);
    Queue(second);
    card_.WaveIn().Start(handle_);
    card_.AdvanceBy(50);
    ASSERT_EQ(card_.WaveIn().Stop(handle_), MmResult::NoError);
    EXPECT_TRUE(Returned().empty());  // the notice comes later, on the device thread
    card_.DeliverCallbacks();
    ASSERT_EQ(Returned(), std::vector<WaveHeader*>{&first.header});
    EXPECT_EQ(first.header.bytesRecorded, 2204u);
    EXPECT_EQ(card_.QueuedInputBuffers(), 1u);
    std::uint32_t position = 0;
    card_.WaveIn().GetPosition(handle_, position);
    EXPECT_EQ(position, 2204u);  // kept by Stop

    ASSERT_EQ(card_.WaveIn().Reset(handle_), MmResult::NoError);
    card_.WaveIn().GetPosition(handle_, position);
    EXPECT_EQ(position, 0u);
    card_.DeliverCallbacks();
    EXPECT_EQ(Returned().back(), &second.header);
    EXPECT_EQ(second.header.bytesRecorded, 0u);
    ASSERT_EQ(card_.WaveIn().Close(handle_), MmResult::NoError);
}

TEST_F(SimInputTest, CloseDeliversWhatIsDueBeforeItReturns) {
    OpenMono();
    Buffer buffer(4410);
    Queue(buffer);
    card_.WaveIn().Reset(handle_);
    EXPECT_EQ(Returned().size(), 0u);
    ASSERT_EQ(card_.WaveIn().Close(handle_), MmResult::NoError);
    ASSERT_EQ(events_.size(), 3u);
    EXPECT_EQ(events_[1].message, WaveMessage::InData);
    EXPECT_EQ(events_[2].message, WaveMessage::InClose);
    card_.AdvanceBy(100);
    EXPECT_EQ(events_.size(), 3u);
}

TEST_F(SimInputTest, CloseWithQueuedBuffersIsRefused) {
    OpenMono();
    Buffer buffer(4410);
    Queue(buffer);
    EXPECT_EQ(card_.WaveIn().Close(handle_), MmResult::WaveStillPlaying);
    EXPECT_EQ(card_.OpenInputCount(), 1u);
    CloseDevice();
}

TEST_F(SimInputTest, RecordsEightBitSamplesAroundTheMiddle) {
    card_.SetMicSignal([](std::uint64_t frame, std::uint32_t, std::uint32_t) {
        return static_cast<std::int16_t>(frame == 0 ? -32768 : 32767);
    });
    ASSERT_EQ(card_.WaveIn().Open(handle_, 0, Format(11025, 1, 8), Recorder()), MmResult::NoError);
    Buffer buffer(2);
    Queue(buffer);
    card_.WaveIn().Start(handle_);
    card_.AdvanceBy(1);
    EXPECT_EQ(buffer.data, (std::vector<std::uint8_t>{0, 255}));
    CloseDevice();
}

struct OpenCase {
    const char* what;
    std::uint32_t deviceId;
    PcmWaveFormat format;
    MmResult result;
};

class SimInputOpenTest : public testing::TestWithParam<OpenCase> {};

TEST_P(SimInputOpenTest, ChecksDeviceAndFormat) {
    SimCardConfig config;
    config.inputs = {DefaultSimInputCaps(), DefaultSimInputCaps()};
    config.inputs[0].formats = kWaveFormat2M16;
    config.inputs[1].channels = 1;
    SimSoundCard card(config);
    capture_test::FailOnViolation(card);
    const OpenCase& c = GetParam();
    WaveInHandle handle{99};
    EXPECT_EQ(card.WaveIn().Open(handle, c.deviceId, c.format, {}), c.result) << c.what;
    EXPECT_EQ(static_cast<bool>(handle), c.result == MmResult::NoError) << c.what;
    if (handle)
        card.WaveIn().Close(handle);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SimInputOpenTest,
    testing::Values(
        OpenCase{"mapper, mono", kWaveMapper, kMono16, MmResult::NoError},
        OpenCase{"device 0, stereo not in its mask", 0, Format(22050, 2, 16),
                 MmResult::WaveBadFormat},
        OpenCase{"device 1 has one channel", 1, Format(22050, 2, 16), MmResult::WaveBadFormat},
        OpenCase{"mapper, no device takes stereo", kWaveMapper, Format(22050, 2, 16),
                 MmResult::WaveBadFormat},
        OpenCase{"no such device", 2, kMono16, MmResult::BadDeviceId},
        // The rates are the host's, whatever the card: no standard bit, no mask to pass.
        OpenCase{"1 kHz, the lowest rate", 1, Format(1000, 1, 8), MmResult::NoError},
        OpenCase{"192 kHz, the highest rate", kWaveMapper, Format(192000, 1, 16),
                 MmResult::NoError},
        OpenCase{"999 Hz", 1, Format(999, 1, 16), MmResult::WaveBadFormat},
        OpenCase{"192,001 Hz", 1, Format(192001, 1, 16), MmResult::WaveBadFormat}));

TEST(SimInputDevices, ABusyDeviceIsAllocatedAndTheMapperMovesOn) {
    SimCardConfig config;
    config.inputs = {DefaultSimInputCaps(), DefaultSimInputCaps()};
    SimSoundCard card(config);
    capture_test::FailOnViolation(card);
    std::array<WaveInHandle, 3> handles;
    EXPECT_EQ(card.WaveIn().Open(handles[0], 0, kMono16, {}), MmResult::NoError);
    EXPECT_EQ(card.WaveIn().Open(handles[1], 0, kMono16, {}), MmResult::Allocated);
    EXPECT_EQ(card.WaveIn().Open(handles[1], kWaveMapper, kMono16, {}), MmResult::NoError);
    EXPECT_EQ(card.WaveIn().Open(handles[2], kWaveMapper, kMono16, {}), MmResult::Allocated);
    EXPECT_NE(handles[0], handles[1]);
    card.WaveIn().Close(handles[0]);
    card.WaveIn().Close(handles[1]);
}

TEST(SimFailureInjection, FailsTheChosenCallsOnly) {
    SimSoundCard card;
    capture_test::FailOnViolation(card);
    card.FailCall(WaveDirection::In, WaveCall::Open, MmResult::NoDriver, 1, 2);
    std::vector<MmResult> results;
    for (int i = 0; i < 4; ++i) {
        WaveInHandle handle;
        results.push_back(card.WaveIn().Open(handle, kWaveMapper, kMono16, {}));
        if (handle)
            card.WaveIn().Close(handle);
    }
    EXPECT_EQ(results, (std::vector<MmResult>{MmResult::NoError, MmResult::NoDriver,
                                              MmResult::NoDriver, MmResult::NoError}));
    EXPECT_EQ(card.CallCount(WaveDirection::In, WaveCall::Open), 4u);
}

// Breaking a host rule is reported, and the call does nothing.
class SimRuleTest : public testing::Test {
  protected:
    SimRuleTest() {
        log_.Attach(card_);
        EXPECT_EQ(card_.WaveIn().Open(handle_, kWaveMapper, kMono16, {}), MmResult::NoError);
    }
    ~SimRuleTest() override {
        if (card_.OpenInputCount() == 0)
            return;
        card_.WaveIn().Reset(handle_);
        card_.WaveIn().Close(handle_);
    }
    bool Reported(std::string_view words) const {
        for (const std::string& message : log_.Messages()) {
            if (message.find(words) != std::string::npos)
                return true;
        }
        return false;
    }

    ViolationLog log_;
    SimSoundCard card_;
    WaveInHandle handle_;
    // Outlive the reset in the destructor: a queued buffer's memory must stay.
    Buffer buffer{100};
    Buffer other{100};
};

TEST_F(SimRuleTest, AddingAnUnpreparedBuffer) {
    EXPECT_EQ(card_.WaveIn().AddBuffer(handle_, buffer.header), MmResult::WaveUnprepared);
    EXPECT_TRUE(Reported("not prepared"));
    EXPECT_EQ(card_.QueuedInputBuffers(), 0u);
}

TEST_F(SimRuleTest, AddingAQueuedBufferAgain) {
    card_.WaveIn().PrepareHeader(handle_, buffer.header);
    card_.WaveIn().AddBuffer(handle_, buffer.header);
    EXPECT_EQ(card_.WaveIn().AddBuffer(handle_, buffer.header), MmResult::WaveStillPlaying);
    EXPECT_TRUE(Reported("already queued"));
    EXPECT_EQ(card_.QueuedInputBuffers(), 1u);
}

TEST_F(SimRuleTest, UnpreparingAQueuedBuffer) {
    card_.WaveIn().PrepareHeader(handle_, buffer.header);
    card_.WaveIn().AddBuffer(handle_, buffer.header);
    EXPECT_EQ(card_.WaveIn().UnprepareHeader(handle_, buffer.header), MmResult::WaveStillPlaying);
    EXPECT_TRUE(Reported("still holds"));
    EXPECT_NE(buffer.header.flags & kWaveHeaderPrepared, 0u);
}

TEST_F(SimRuleTest, ChangingAQueuedHeader) {
    card_.WaveIn().PrepareHeader(handle_, buffer.header);
    card_.WaveIn().AddBuffer(handle_, buffer.header);
    buffer.header = WaveHeader{};  // as if the memory were cleared or reused
    buffer.header.data = other.data.data();
    card_.WaveIn().Start(handle_);
    card_.AdvanceBy(10);
    EXPECT_TRUE(Reported("changed while the device held it"));
    EXPECT_EQ(other.data, std::vector<std::uint8_t>(100, 0));  // nothing written through it
}

TEST_F(SimRuleTest, CallingOnAClosedHandle) {
    const WaveInHandle stale = handle_;
    ASSERT_EQ(card_.WaveIn().Close(handle_), MmResult::NoError);
    EXPECT_EQ(card_.WaveIn().Start(stale), MmResult::InvalHandle);
    EXPECT_TRUE(Reported("not open"));
    ASSERT_EQ(card_.WaveIn().Open(handle_, kWaveMapper, kMono16, {}), MmResult::NoError);
    EXPECT_NE(handle_, stale);  // handles are not reused
}

TEST_F(SimRuleTest, CallingFromInsideACallback) {
    ASSERT_EQ(card_.WaveIn().Close(handle_), MmResult::NoError);
    MmResult inside = MmResult::NoError;
    auto requeue = [&](WaveInHandle device, WaveMessage message, WaveHeader* header) {
        if (message == WaveMessage::InData)
            inside = card_.WaveIn().AddBuffer(device, *header);
    };
    ASSERT_EQ(card_.WaveIn().Open(handle_, kWaveMapper, kMono16, requeue), MmResult::NoError);
    card_.WaveIn().PrepareHeader(handle_, buffer.header);
    card_.WaveIn().AddBuffer(handle_, buffer.header);
    card_.WaveIn().Start(handle_);
    card_.AdvanceBy(10);
    EXPECT_EQ(inside, MmResult::Error);
    EXPECT_TRUE(Reported("inside a device callback"));
    EXPECT_EQ(card_.QueuedInputBuffers(), 0u);
    card_.WaveIn().Reset(handle_);
    ASSERT_EQ(card_.WaveIn().Close(handle_), MmResult::NoError);
}

TEST(SimRules, DevicesLeftOpenAreReportedWhenTheCardGoesAway) {
    ViolationLog log;
    {
        SimSoundCard card;
        log.Attach(card);
        WaveInHandle handle;
        ASSERT_EQ(card.WaveIn().Open(handle, kWaveMapper, kMono16, {}), MmResult::NoError);
    }
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_NE(log.Messages()[0].find("left open"), std::string::npos);
}

}  // namespace
}  // namespace zav::platform::sim
