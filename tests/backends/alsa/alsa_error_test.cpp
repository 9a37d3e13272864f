#include "platform/alsa/alsa_error.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <thread>

#include <cerrno>
#include <string>

namespace zav::platform::alsa {
namespace {

struct MappingCase {
    int error;
    AlsaStep step;
    MmResult expected;
};

TEST(MapAlsaError, GivesTheHostsResultForEachKindOfFailure) {
    const MappingCase cases[] = {
        {0, AlsaStep::Use, MmResult::NoError},
        {-EBUSY, AlsaStep::Open, MmResult::Allocated},
        {-EAGAIN, AlsaStep::Use, MmResult::Allocated},
        {-ENOENT, AlsaStep::Open, MmResult::NoDriver},
        {-ENODEV, AlsaStep::Use, MmResult::NoDriver},
        {-ENXIO, AlsaStep::Format, MmResult::NoDriver},
        {-ECONNREFUSED, AlsaStep::Open, MmResult::NoDriver},
        // A device that cannot even be prepared while opening is as good as absent; the same
        // number on an open device is a failure of that device.
        {-EIO, AlsaStep::Open, MmResult::NoDriver},
        {-EIO, AlsaStep::Format, MmResult::NoDriver},
        {-EIO, AlsaStep::Use, MmResult::Error},
        {-EPIPE, AlsaStep::Use, MmResult::Error},
        {-ESTRPIPE, AlsaStep::Use, MmResult::Error},
        {-EBADFD, AlsaStep::Use, MmResult::Error},
        // Only the hardware parameters turn an invalid argument into a refused format.
        {-EINVAL, AlsaStep::Format, MmResult::WaveBadFormat},
        {-EINVAL, AlsaStep::Open, MmResult::InvalParam},
        {-EINVAL, AlsaStep::Use, MmResult::InvalParam},
        {-ENOMEM, AlsaStep::Use, MmResult::NoMem},
        {-ENOSYS, AlsaStep::Use, MmResult::NotSupported},
        {-EOPNOTSUPP, AlsaStep::Use, MmResult::NotSupported},
        {-EACCES, AlsaStep::Open, MmResult::NotEnabled},
        {-EPERM, AlsaStep::Open, MmResult::NotEnabled},
        {-ETIMEDOUT, AlsaStep::Use, MmResult::Error},
    };
    for (const MappingCase& c : cases) {
        EXPECT_EQ(MapAlsaError(c.error, c.step), c.expected)
            << "error " << c.error << " at step " << static_cast<int>(c.step);
    }
}

TEST(ToMixerResult, KeepsTheSharedCodesAndFoldsTheWaveOnesIntoError) {
    const std::pair<MmResult, MixerResult> cases[] = {
        {MmResult::NoError, MixerResult::NoError},
        {MmResult::BadDeviceId, MixerResult::BadDeviceId},
        {MmResult::Allocated, MixerResult::Allocated},
        {MmResult::InvalHandle, MixerResult::InvalidHandle},
        {MmResult::NoDriver, MixerResult::NoDriver},
        {MmResult::NoMem, MixerResult::NoMemory},
        {MmResult::NotSupported, MixerResult::NotSupported},
        {MmResult::InvalParam, MixerResult::InvalidParam},
        {MmResult::WaveBadFormat, MixerResult::Error},
        {MmResult::WaveStillPlaying, MixerResult::Error},
    };
    for (const auto& [wave, mixer] : cases)
        EXPECT_EQ(ToMixerResult(wave), mixer) << static_cast<int>(wave);
}

TEST(AlsaErrorLog, TheErrorTextNamesTheOperationAndAlsasOwnWords) {
    AlsaErrorLog log;
    std::string text;
    ASSERT_EQ(log.Describe(MmResult::Allocated, text), MmResult::NoError);
    EXPECT_EQ(text, WaveResultText(MmResult::Allocated));  // nothing recorded yet

    EXPECT_EQ(log.Record(-EBUSY, "snd_pcm_open \"hw:0,0\"", AlsaStep::Open), MmResult::Allocated);
    ASSERT_EQ(log.Describe(MmResult::Allocated, text), MmResult::NoError);
    EXPECT_EQ(text, std::string(WaveResultText(MmResult::Allocated)) +
                        " (snd_pcm_open \"hw:0,0\": Device or resource busy)");
    // The detail belongs to the failure it came with, not to every later use of the code.
    log.Describe(MmResult::NoMem, text);
    EXPECT_EQ(text, WaveResultText(MmResult::NoMem));
}

TEST(AlsaErrorLog, AFailureOnAnotherThreadDoesNotChangeThisThreadsText) {
    AlsaErrorLog log;
    log.Record(-EBUSY, "snd_pcm_open \"default\"", AlsaStep::Open);
    std::thread other([&log] { log.Record(-EAGAIN, "snd_pcm_open \"hw:1,0\"", AlsaStep::Open); });
    other.join();
    std::string text;
    log.Describe(MmResult::Allocated, text);
    EXPECT_NE(text.find("\"default\""), std::string::npos) << text;
    EXPECT_EQ(text.find("hw:1,0"), std::string::npos) << text;
}

TEST(AlsaErrorLog, ALostDeviceIsNamedForNoDriverUntilItsHandleCloses) {
    AlsaErrorLog log;
    std::thread device([&log] { log.RecordLostDevice(7, -EIO, "snd_pcm_readi"); });
    device.join();
    std::string text;
    log.Describe(MmResult::NoDriver, text);
    EXPECT_NE(text.find("stopped working, snd_pcm_readi: Input/output error"), std::string::npos)
        << text;
    log.ForgetHandle(7);
    log.Describe(MmResult::NoDriver, text);
    EXPECT_EQ(text, WaveResultText(MmResult::NoDriver));
}

TEST(AlsaErrorLog, WhatLibasoundSaysJoinsTheFailureInsteadOfTheTerminal) {
    CaptureAlsaMessages();
    AlsaErrorLog log;
    // Opening a device that does not exist makes libasound complain through its handler.
    snd_pcm_t* pcm = nullptr;
    testing::internal::CaptureStderr();
    const int err = snd_pcm_open(&pcm, "no_such_device_here", SND_PCM_STREAM_PLAYBACK, 0);
    const std::string terminal = testing::internal::GetCapturedStderr();
    ASSERT_LT(err, 0);
    EXPECT_EQ(terminal, "");
    log.Record(err, "snd_pcm_open \"no_such_device_here\"", AlsaStep::Open);
    std::string text;
    log.Describe(MapAlsaError(err, AlsaStep::Open), text);
    EXPECT_NE(text.find("no_such_device_here"), std::string::npos) << text;
    EXPECT_NE(text.find("["), std::string::npos) << "libasound's own words are kept: " << text;
}

TEST(AlsaErrorLog, AnUnknownNumberHasNoText) {
    AlsaErrorLog log;
    std::string text = "left over";
    EXPECT_EQ(log.Describe(static_cast<MmResult>(99), text), MmResult::BadErrNum);
    EXPECT_TRUE(text.empty());
}

}  // namespace
}  // namespace zav::platform::alsa
