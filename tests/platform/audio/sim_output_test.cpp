#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/sim/sim_sound_card.h"
#include "tests/support/capture_test_support.h"

namespace zav::platform::sim {
namespace {

const PcmWaveFormat kMono16{kWaveFormatPcm, 1, 22050, 44100, 2, 16};

class SimOutputTest : public testing::Test {
  protected:
    SimOutputTest() { capture_test::FailOnViolation(card_); }

    void Open() {
        ASSERT_EQ(card_.WaveOut().Open(handle_, 0, kMono16,
                                       [this](WaveOutHandle, WaveMessage message, WaveHeader* h) {
                                           if (message == WaveMessage::OutDone)
                                               done_.push_back(h);
                                       }),
                  MmResult::NoError);
    }
    std::uint32_t Position() {
        std::uint32_t bytes = 0;
        EXPECT_EQ(card_.WaveOut().GetPosition(handle_, bytes), MmResult::NoError);
        return bytes;
    }

    SimSoundCard card_;
    WaveOutHandle handle_;
    std::vector<WaveHeader*> done_;
};

TEST_F(SimOutputTest, PlaysAWrittenBufferInRealTimeAndKeepsWhatItPlayed) {
    Open();
    std::vector<std::uint8_t> sound(44100);  // one second
    for (std::size_t i = 0; i < sound.size(); ++i)
        sound[i] = static_cast<std::uint8_t>(i * 7);
    WaveHeader header;
    header.data = sound.data();
    header.bufferLength = static_cast<std::uint32_t>(sound.size());
    ASSERT_EQ(card_.WaveOut().PrepareHeader(handle_, header), MmResult::NoError);
    ASSERT_EQ(card_.WaveOut().Write(handle_, header), MmResult::NoError);

    card_.AdvanceBy(100);
    EXPECT_EQ(Position(), 4410u);
    card_.AdvanceBy(899);
    EXPECT_TRUE(done_.empty());
    card_.AdvanceBy(1);
    ASSERT_EQ(done_, std::vector<WaveHeader*>{&header});
    EXPECT_EQ(Position(), 44100u);
    EXPECT_EQ(card_.PlayedBytes(0), sound);

    // Nothing to play: time passes without moving the position.
    card_.AdvanceBy(500);
    EXPECT_EQ(Position(), 44100u);
    ASSERT_EQ(card_.WaveOut().UnprepareHeader(handle_, header), MmResult::NoError);
    ASSERT_EQ(card_.WaveOut().Close(handle_), MmResult::NoError);
}

TEST_F(SimOutputTest, ResetReturnsTheBufferAndRewindsThePosition) {
    Open();
    std::vector<std::uint8_t> sound(44100);
    WaveHeader header;
    header.data = sound.data();
    header.bufferLength = static_cast<std::uint32_t>(sound.size());
    card_.WaveOut().PrepareHeader(handle_, header);
    card_.WaveOut().Write(handle_, header);
    card_.AdvanceBy(250);
    ASSERT_EQ(card_.WaveOut().Reset(handle_), MmResult::NoError);
    EXPECT_EQ(Position(), 0u);
    EXPECT_EQ(card_.PlayedBytes(0).size(), 11024u);  // whole frames up to 250 ms
    EXPECT_EQ(card_.WaveOut().UnprepareHeader(handle_, header), MmResult::NoError);
    ASSERT_EQ(card_.WaveOut().Close(handle_), MmResult::NoError);
    ASSERT_EQ(done_, std::vector<WaveHeader*>{&header});  // delivered by Close at the latest
}

TEST(SimOutputRules, WritingUnpreparedOrUnpreparingQueuedBuffersIsReported) {
    capture_test::ViolationLog log;
    SimSoundCard card;
    log.Attach(card);
    WaveOutHandle handle;
    ASSERT_EQ(card.WaveOut().Open(handle, kWaveMapper, kMono16, {}), MmResult::NoError);
    std::vector<std::uint8_t> sound(100);
    WaveHeader header;
    header.data = sound.data();
    header.bufferLength = 100;
    EXPECT_EQ(card.WaveOut().Write(handle, header), MmResult::WaveUnprepared);
    EXPECT_EQ(log.Messages().size(), 1u);
    card.WaveOut().PrepareHeader(handle, header);
    ASSERT_EQ(card.WaveOut().Write(handle, header), MmResult::NoError);
    EXPECT_EQ(card.WaveOut().UnprepareHeader(handle, header), MmResult::WaveStillPlaying);
    EXPECT_EQ(log.Messages().size(), 2u);
    card.WaveOut().Reset(handle);
    EXPECT_EQ(card.WaveOut().Close(handle), MmResult::NoError);
    EXPECT_EQ(log.Messages().size(), 2u);
}

TEST(SimOutputHold, NeedsAnOutputDeviceAndCanFailEitherStep) {
    SimCardConfig none;
    none.outputs.clear();
    SimSoundCard silent(none);
    capture_test::FailOnViolation(silent);
    std::unique_ptr<OutputDeviceHold> hold;
    EXPECT_EQ(silent.CreateOutputHold(hold), MmResult::NoDriver);
    EXPECT_EQ(hold, nullptr);

    SimSoundCard card;
    capture_test::FailOnViolation(card);
    card.FailCall(SimCall::CreateOutputHold, MmResult::NoMem);
    EXPECT_EQ(card.CreateOutputHold(hold), MmResult::NoMem);
    ASSERT_EQ(card.CreateOutputHold(hold), MmResult::NoError);
    card.FailCall(SimCall::SetCooperativeLevel, MmResult::Error);
    EXPECT_EQ(hold->SetCooperativeLevel(CooperativeLevel::Normal), MmResult::Error);
    EXPECT_EQ(hold->SetCooperativeLevel(CooperativeLevel::Normal), MmResult::NoError);
    EXPECT_EQ(card.HoldCount(), 1u);
    hold.reset();
    EXPECT_EQ(card.HoldCount(), 0u);
}

TEST(SimOutputHold, AHalfDuplexCardCannotRecordWhileTheHoldIsKept) {
    SimCardConfig config;
    config.fullDuplex = false;
    SimSoundCard card(config);
    capture_test::FailOnViolation(card);
    const PcmWaveFormat stereo{kWaveFormatPcm, 2, 22050, 88200, 4, 16};
    std::unique_ptr<OutputDeviceHold> hold;
    ASSERT_EQ(card.CreateOutputHold(hold), MmResult::NoError);
    WaveInHandle input;
    EXPECT_EQ(card.WaveIn().Open(input, kWaveMapper, stereo, {}), MmResult::Allocated);
    hold.reset();
    ASSERT_EQ(card.WaveIn().Open(input, kWaveMapper, stereo, {}), MmResult::NoError);
    WaveOutHandle output;
    EXPECT_EQ(card.WaveOut().Open(output, kWaveMapper, kMono16, {}), MmResult::Allocated);
    card.WaveIn().Close(input);

    SimSoundCard duplex;
    capture_test::FailOnViolation(duplex);
    ASSERT_EQ(duplex.CreateOutputHold(hold), MmResult::NoError);
    EXPECT_EQ(duplex.WaveIn().Open(input, kWaveMapper, stereo, {}), MmResult::NoError);
    duplex.WaveIn().Close(input);
    hold.reset();
}

}  // namespace
}  // namespace zav::platform::sim
