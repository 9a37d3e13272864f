#include "voxgauge/mic_capture.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/sim/sim_sound_card.h"
#include "platform/testing/manual_dispatcher.h"
#include "platform/testing/memory_registry.h"
#include "tests/support/capture_test_support.h"
#include "voxgauge/capture_format.h"
#include "voxgauge/mic_env_record.h"

namespace voxgauge {
namespace {

using zav::platform::Access;
using zav::platform::Hive;
using zav::platform::kWaveFormat2M16;
using zav::platform::MmResult;
using zav::platform::RegistryKey;
using zav::platform::RegResult;
using zav::platform::ValueType;
using zav::platform::WaveCall;
using zav::platform::WaveDirection;
using zav::platform::WaveHeader;
using zav::platform::WaveInCaps;
using zav::platform::WaveInHandle;
using zav::platform::sim::DefaultSimInputCaps;
using zav::platform::sim::ManualDispatcher;
using zav::platform::sim::MemoryRegistry;
using zav::platform::sim::SilentMic;
using zav::platform::sim::SimCardConfig;
using zav::platform::sim::SimSoundCard;
using zav::platform::sim::SineMic;

constexpr std::uint32_t kBuffersPerSecond = 8;

SimCardConfig LoudCard() {
    SimCardConfig config;
    config.mic = SineMic(5000, 441.0);  // peak about 5000: level 12 with the built-in map
    return config;
}

// Everything a capture engine meets, in the order it must be torn down in reverse: the store,
// the card, the dialog thread's queue, then the engine. The test's thread is the dialog
// thread and the device thread.
struct Rig {
    explicit Rig(SimCardConfig config = {}) : card(std::move(config)) {
        capture_test::FailOnViolation(card);
    }

    // An engine whose WM_MIC_BUFFER handler counts the messages and hands them back.
    CMicCapture& Make() {
        capture.emplace(card.WaveIn(), registry);
        capture->SetNotifyWindow(MicNotifyWindow{&dispatcher, [this](const MicBufferMessage& m) {
                                                     ++messages;
                                                     capture->OnBufferReturned(m);
                                                 }});
        return *capture;
    }

    // What VoxGauge does on window creation.
    void OpenAndStart() {
        ASSERT_EQ(capture->Open(kVoxGaugeFormatCode), MmResult::NoError);
        capture->ResetMicMap();
        ASSERT_EQ(capture->Start(), MmResult::NoError);
    }

    // Lets time pass in steps; after each the dialog thread handles its messages.
    void Run(std::uint32_t milliseconds, std::uint32_t step = 50) {
        for (std::uint32_t elapsed = 0; elapsed < milliseconds; elapsed += step) {
            card.AdvanceBy(step);
            dispatcher.RunPending();
        }
    }

    MemoryRegistry registry;
    SimSoundCard card;
    ManualDispatcher dispatcher;
    std::optional<CMicCapture> capture;
    std::size_t messages = 0;
};

TEST(MicCaptureOpen, WithoutInputDeviceGives2AndNeverOpens) {
    SimCardConfig config;
    config.inputs.clear();
    Rig rig(config);
    CMicCapture& capture = rig.Make();
    EXPECT_EQ(static_cast<std::uint32_t>(capture.Open(kVoxGaugeFormatCode)), 2u);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Open), 0u);
    EXPECT_FALSE(capture.IsOpen());
    EXPECT_EQ(static_cast<std::uint32_t>(capture.Start()), 5u);
    EXPECT_EQ(static_cast<std::uint32_t>(capture.Stop()), 5u);
}

TEST(MicCaptureOpen, DevicesWhoseCapabilitiesFailDoNotCount) {
    SimCardConfig config;
    config.inputs = {DefaultSimInputCaps(), DefaultSimInputCaps()};
    Rig rig(config);
    rig.card.FailCall(WaveDirection::In, WaveCall::GetDevCaps, MmResult::Error, 0,
                      zav::platform::sim::kEveryTime);
    CMicCapture& capture = rig.Make();
    EXPECT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::BadDeviceId);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Open), 0u);

    rig.card.FailCall(WaveDirection::In, WaveCall::GetDevCaps, MmResult::Error, 0,
                      1);  // only device 0
    EXPECT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::NoError);
    ASSERT_FALSE(capture.Devices().empty());
    EXPECT_EQ(capture.Devices().front().deviceId, 1u);
    EXPECT_EQ(std::next(capture.Devices().begin()), capture.Devices().end());
}

TEST(MicCaptureOpen, ListsDevicesNewestFirstAndOpensTheMapperWithTheCodesFormat) {
    SimCardConfig config;
    WaveInCaps first = DefaultSimInputCaps();
    first.productName = "Line In";
    WaveInCaps second = DefaultSimInputCaps();
    second.productName = "A microphone with a name longer than thirty-one characters";
    config.inputs = {first, second};
    Rig rig(config);
    CMicCapture& capture = rig.Make();
    ASSERT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::NoError);

    std::vector<WaveInDeviceRecord> listed(capture.Devices().begin(), capture.Devices().end());
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].deviceId, 1u);
    EXPECT_EQ(listed[0].productName, "A microphone with a name longer");
    EXPECT_EQ(listed[1].productName, "Line In");
    EXPECT_EQ(capture.FormatCode(), kVoxGaugeFormatCode);
    const std::vector<zav::platform::PcmWaveFormat> formats = rig.card.OpenInputFormats();
    ASSERT_EQ(formats.size(), 1u);
    EXPECT_EQ(formats[0], FormatFromCode(kVoxGaugeFormatCode));
    EXPECT_EQ(formats[0].avgBytesPerSec, 88200u);
}

TEST(MicCaptureOpen, RefusedFormatLeavesTheEngineClosed) {
    SimCardConfig config;
    config.inputs[0].formats = kWaveFormat2M16;  // mono only
    Rig rig(config);
    CMicCapture& capture = rig.Make();
    EXPECT_EQ(static_cast<std::uint32_t>(capture.Open(kVoxGaugeFormatCode)), 32u);
    EXPECT_FALSE(capture.IsOpen());
    EXPECT_EQ(capture.Start(), MmResult::InvalHandle);
    capture.Close();
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Close), 0u);
}

TEST(MicCaptureOpen, SecondOpenKeepsTheFirstDevice) {
    Rig rig;
    CMicCapture& capture = rig.Make();
    ASSERT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::NoError);
    EXPECT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::Allocated);
    EXPECT_EQ(rig.card.OpenInputCount(), 1u);
}

struct StoredMapCase {
    const char* what;
    ValueType type;
    std::size_t size;
    bool taken;
};

class StoredMicMapTest : public testing::TestWithParam<StoredMapCase> {};

TEST_P(StoredMicMapTest, OnlyAWholeBinaryTableIsTaken) {
    const StoredMapCase& c = GetParam();
    Rig rig;
    RegistryKey key;
    ASSERT_EQ(rig.registry.CreateKey(Hive::LocalMachine, kZavKeyPath, Access::All, key),
              RegResult::Success);
    std::vector<std::uint8_t> bytes;
    zav::platform::LeWriter writer(bytes);
    for (std::uint32_t i = 0; bytes.size() < c.size; ++i)
        writer.U32(i * 10);
    bytes.resize(c.size);
    ASSERT_EQ(key.Set(kMicMapValueName, c.type, bytes), RegResult::Success);

    CMicCapture& capture = rig.Make();
    MicMap expected = kDefaultMicMap;
    if (c.taken) {
        for (std::size_t i = 0; i < expected.size(); ++i) {
            expected[i] = static_cast<std::int32_t>(i * 10);
        }
    }
    EXPECT_EQ(capture.CurrentMicMap(), expected) << c.what;
    capture.ResetMicMap();
    EXPECT_EQ(capture.CurrentMicMap(), kDefaultMicMap) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredMicMapTest,
    testing::Values(StoredMapCase{"binary, 64 bytes", ValueType::Binary, 64, true},
                    StoredMapCase{"binary, 60 bytes", ValueType::Binary, 60, false},
                    StoredMapCase{"binary, 68 bytes", ValueType::Binary, 68, false},
                    StoredMapCase{"empty", ValueType::Binary, 0, false},
                    StoredMapCase{"string of 64 bytes", ValueType::String, 64, false},
                    StoredMapCase{"dword", ValueType::Dword, 4, false}));

TEST(MicCaptureStoredMap, TakesEffectUntilResetAndIsSkippedWithoutTheKey) {
    Rig rig;
    EXPECT_EQ(rig.Make().CurrentMicMap(), kDefaultMicMap);  // no key at all

    rig.capture.reset();
    RegistryKey key;
    ASSERT_EQ(rig.registry.CreateKey(Hive::LocalMachine, kZavKeyPath, Access::All, key),
              RegResult::Success);
    std::vector<std::uint8_t> bytes;
    zav::platform::LeWriter writer(bytes);
    for (std::uint32_t i = 0; i < 16; ++i)
        writer.U32(i);  // every sound reaches level 15
    ASSERT_EQ(key.Set(kMicMapValueName, ValueType::Binary, bytes), RegResult::Success);
    rig.card.SetMicSignal(SineMic(200, 441.0));

    CMicCapture& capture = rig.Make();
    ASSERT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::NoError);
    ASSERT_EQ(capture.Start(), MmResult::NoError);
    rig.Run(500);
    EXPECT_EQ(capture.GetLevel(), 15u);
    capture.ResetMicMap();
    rig.Run(500);
    EXPECT_EQ(capture.GetLevel(), 1u);  // peak about 200: between 155 and 215
}

TEST(MicCaptureScenario, TenMinutesKeepAllSixteenBuffersCirculating) {
    Rig rig(LoudCard());
    CMicCapture& capture = rig.Make();
    rig.OpenAndStart();
    EXPECT_EQ(capture.BufferLength(), 11024u);

    rig.Run(10 * 60 * 1000);

    EXPECT_EQ(rig.card.InputOverrunFrames(), 0u);
    EXPECT_EQ(rig.card.QueuedInputBuffers(), kMicBufferCount);
    // 600 s of 88200 bytes a second fill 4800 whole buffers of 11024 bytes.
    EXPECT_EQ(rig.messages, 4800u);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::PrepareHeader), kMicBufferCount);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Queue), kMicBufferCount + 4800);
    EXPECT_EQ(capture.GetLevel(), 12u);

    rig.card.SetMicSignal(SilentMic());
    rig.Run(1000);
    EXPECT_EQ(capture.GetLevel(), 0u);

    EXPECT_EQ(capture.Stop(), MmResult::NoError);
    capture.Close();
    EXPECT_EQ(capture.Stop(), MmResult::InvalHandle);
    capture.Close();
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Close), 1u);
    EXPECT_EQ(rig.card.ViolationCount(), 0u);
}

TEST(MicCaptureScenario, ALaggingDialogLosesNothingWithinTwoSeconds) {
    Rig rig(LoudCard());
    rig.Make();
    rig.OpenAndStart();
    rig.Run(60 * 1000, 1500);
    EXPECT_EQ(rig.card.InputOverrunFrames(), 0u);
    EXPECT_EQ(rig.card.QueuedInputBuffers(), kMicBufferCount);

    // Longer than the sixteen buffers hold: the card drops what it cannot store.
    rig.Run(2500, 2500);
    EXPECT_GT(rig.card.InputOverrunFrames(), 0u);
    EXPECT_EQ(rig.card.QueuedInputBuffers(), kMicBufferCount);
}

TEST(MicCaptureScenario, StartAfterStopOnlyRestartsTheDevice) {
    Rig rig(LoudCard());
    CMicCapture& capture = rig.Make();
    rig.OpenAndStart();
    rig.Run(1000);
    ASSERT_EQ(capture.Stop(), MmResult::NoError);
    rig.Run(100);  // the part-filled buffer comes back and is queued again
    const std::size_t afterStop = rig.messages;
    rig.Run(1000);
    EXPECT_EQ(rig.messages, afterStop);
    EXPECT_EQ(rig.card.QueuedInputBuffers(), kMicBufferCount);

    ASSERT_EQ(capture.Start(), MmResult::NoError);
    rig.Run(1000);
    EXPECT_GE(rig.messages, afterStop + kBuffersPerSecond - 1);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::PrepareHeader), kMicBufferCount);
    EXPECT_EQ(rig.card.InputOverrunFrames(), 0u);
}

TEST(MicCaptureScenario, EightBitCaptureCirculatesWithoutMetering) {
    Rig rig(LoudCard());
    CMicCapture& capture = rig.Make();
    ASSERT_EQ(capture.Open(22108), MmResult::NoError);
    ASSERT_EQ(capture.Start(), MmResult::NoError);
    rig.Run(2000);
    EXPECT_GE(rig.messages, 2 * kBuffersPerSecond);
    EXPECT_EQ(capture.GetLevel(), 0u);
}

struct QueueFailureCase {
    WaveCall call;  // on wave input
    std::uint32_t failingBuffer;
};

class MicCaptureQueueFailureTest : public testing::TestWithParam<QueueFailureCase> {};

TEST_P(MicCaptureQueueFailureTest, TakesBackEveryQueuedBufferAndDoesNotStart) {
    const QueueFailureCase& c = GetParam();
    Rig rig(LoudCard());
    CMicCapture& capture = rig.Make();
    ASSERT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::NoError);
    rig.card.FailCall(WaveDirection::In, c.call, MmResult::NoMem, c.failingBuffer);

    EXPECT_EQ(capture.Start(), MmResult::NoMem);
    EXPECT_FALSE(capture.Prepared());
    EXPECT_EQ(rig.card.QueuedInputBuffers(), 0u);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Start), 0u);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Reset), 1u);
    const std::uint32_t prepared =
        c.call == WaveCall::Queue ? c.failingBuffer + 1 : c.failingBuffer;
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::UnprepareHeader), prepared);

    // The reset's notices arrive for buffers that are no longer ours: nothing is posted.
    rig.Run(500);
    EXPECT_EQ(rig.messages, 0u);
    EXPECT_EQ(capture.Start(), MmResult::NoMem);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::PrepareHeader), c.failingBuffer + 1);
    capture.Close();
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Buffers, MicCaptureQueueFailureTest,
                         testing::Values(QueueFailureCase{WaveCall::Queue, 0},
                                         QueueFailureCase{WaveCall::Queue, 7},
                                         QueueFailureCase{WaveCall::Queue, 15},
                                         QueueFailureCase{WaveCall::PrepareHeader, 0},
                                         QueueFailureCase{WaveCall::PrepareHeader, 1},
                                         QueueFailureCase{WaveCall::PrepareHeader, 15}));

TEST(MicCaptureStaleMessages, MessagesHandledAfterCloseAreDropped) {
    Rig rig(LoudCard());
    std::vector<MicBufferMessage> held;
    CMicCapture& capture = rig.Make();
    capture.SetNotifyWindow(
        MicNotifyWindow{&rig.dispatcher, [&](const MicBufferMessage& m) { held.push_back(m); }});
    rig.OpenAndStart();
    rig.Run(1000);
    ASSERT_EQ(held.size(), kBuffersPerSecond);
    capture.Close();  // the reset returns the other eight, whose messages are posted too
    rig.dispatcher.RunPending();
    ASSERT_EQ(held.size(), kMicBufferCount);

    const std::uint32_t added = rig.card.CallCount(WaveDirection::In, WaveCall::Queue);
    for (const MicBufferMessage& message : held)
        EXPECT_EQ(capture.OnBufferReturned(message), 0);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Queue), added);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::UnprepareHeader), 0u);

    // Nor does a new device take them for its own.
    rig.OpenAndStart();
    for (const MicBufferMessage& message : held)
        capture.OnBufferReturned(message);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Queue), added + kMicBufferCount);
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::UnprepareHeader), 0u);
}

TEST(MicCaptureStaleMessages, MessagesQueuedWhenTheEngineGoesAwayAreDropped) {
    Rig rig(LoudCard());
    rig.Make();
    rig.OpenAndStart();
    rig.card.AdvanceBy(1000);
    ASSERT_GT(rig.dispatcher.PendingCount(), 0u);
    rig.capture.reset();
    rig.dispatcher.RunPending();
    EXPECT_EQ(rig.messages, 0u);
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
}

TEST(MicCaptureClose, FailedCloseKeepsTheDeviceForALaterClose) {
    Rig rig(LoudCard());
    CMicCapture& capture = rig.Make();
    rig.OpenAndStart();
    rig.Run(500);
    rig.card.FailCall(WaveDirection::In, WaveCall::Close, MmResult::Error);
    capture.Close();
    EXPECT_TRUE(capture.IsOpen());
    EXPECT_EQ(rig.card.OpenInputCount(), 1u);
    rig.dispatcher.RunPending();
    capture.Close();
    EXPECT_FALSE(capture.IsOpen());
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
}

TEST(MicCaptureClose, AnEngineGoneWhileItsDeviceWouldNotCloseLeavesTheDeviceValidMemory) {
    capture_test::ViolationLog broken;  // outlives the card, which reports into it at its end
    {
        Rig rig(LoudCard());
        broken.Attach(rig.card);
        rig.Make();
        rig.OpenAndStart();
        rig.Run(300);
        rig.card.FailCall(WaveDirection::In, WaveCall::Close, MmResult::Error, 0,
                          zav::platform::sim::kEveryTime);
        rig.capture.reset();  // the dialog goes; Close fails again in the destructor
        // The device goes on filling the buffers it holds, and its callbacks reach no engine.
        // Under AddressSanitizer a freed buffer or engine would show here.
        rig.card.AdvanceBy(1000);
        rig.dispatcher.RunPending();
        EXPECT_EQ(rig.card.OpenInputCount(), 1u);
    }
    const std::vector<std::string> messages = broken.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("wave input device left open"), std::string::npos) << messages[0];
}

// A backend that hands the buffers of a reset back on the calling thread, at once, and
// refuses the fifth buffer queued.
class EagerResetWaveIn : public zav::platform::WaveInApi {
  public:
    std::uint32_t GetNumDevs() override { return 1; }
    MmResult GetDevCaps(std::uint32_t, zav::platform::WaveInCaps& caps) override {
        caps = zav::platform::sim::DefaultSimInputCaps();
        return MmResult::NoError;
    }
    MmResult Open(WaveInHandle& handle, std::uint32_t, const zav::platform::PcmWaveFormat&,
                  zav::platform::WaveInCallback callback) override {
        callback_ = std::move(callback);
        handle = WaveInHandle{1};
        return MmResult::NoError;
    }
    MmResult PrepareHeader(WaveInHandle, WaveHeader& header) override {
        header.flags |= zav::platform::kWaveHeaderPrepared;
        return MmResult::NoError;
    }
    MmResult UnprepareHeader(WaveInHandle, WaveHeader& header) override {
        header.flags &= ~std::uint32_t{zav::platform::kWaveHeaderPrepared};
        return MmResult::NoError;
    }
    MmResult AddBuffer(WaveInHandle, WaveHeader& header) override {
        if (queued_.size() == 4)
            return MmResult::NoMem;
        queued_.push_back(&header);
        return MmResult::NoError;
    }
    MmResult Start(WaveInHandle) override { return MmResult::NoError; }
    MmResult Stop(WaveInHandle) override { return MmResult::NoError; }
    MmResult Reset(WaveInHandle handle) override {
        std::vector<WaveHeader*> back;
        back.swap(queued_);
        for (WaveHeader* header : back)
            callback_(handle, zav::platform::WaveMessage::InData, header);
        ++resets;
        return MmResult::NoError;
    }
    MmResult GetPosition(WaveInHandle, std::uint32_t& bytes) override {
        bytes = 0;
        return MmResult::NoError;
    }
    MmResult Close(WaveInHandle) override { return MmResult::NoError; }
    MmResult GetErrorText(MmResult, std::string& text) override {
        text.clear();
        return MmResult::BadErrNum;
    }

    int resets = 0;

  private:
    zav::platform::WaveInCallback callback_;
    std::vector<WaveHeader*> queued_;
};

TEST(MicCaptureStart, AFailedQueueResetsWithoutHoldingTheEnginesLock) {
    EagerResetWaveIn waveIn;
    MemoryRegistry registry;
    ManualDispatcher dispatcher;
    CMicCapture capture(waveIn, registry, MicNotifyWindow{&dispatcher, {}});
    ASSERT_EQ(capture.Open(kVoxGaugeFormatCode), MmResult::NoError);
    // The reset's callbacks run here, on this thread: with the lock held they would deadlock.
    EXPECT_EQ(capture.Start(), MmResult::NoMem);
    EXPECT_EQ(waveIn.resets, 1);
    EXPECT_EQ(capture.Stage(), CaptureStage::QueueFailed);
    dispatcher.RunPending();  // the buffers' messages find them gone and are dropped
}

}  // namespace
}  // namespace voxgauge
