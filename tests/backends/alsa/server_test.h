#pragma once
// The fixture of the tests that need the sound server: skips, saying why, when none answers
// or the audio sandbox is missing, and puts the virtual microphone back to silence, full volume
// and unmuted before and after each test.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "platform/audio/wave_format.h"
#include "sound_server.h"
#include "tests/support/wait_until.h"

namespace alsa_test {

class ServerTest : public testing::Test {
  protected:
    void SetUp() override {
        if (const std::optional<std::string> why = WhyNoServer())
            GTEST_SKIP() << *why;
        if (const std::optional<std::string> why = WhyNotTheSandbox())
            GTEST_SKIP() << *why;
        const std::optional<SourceFormat> format = DefaultSourceFormat();
        ASSERT_TRUE(format.has_value()) << "the server has no default source";
        source_ = *format;
        ASSERT_TRUE(Restore());
    }

    void TearDown() override {
        if (!IsSkipped())
            Restore();
    }

    static bool Restore() {
        return FeedStop() && SetDefaultSourceVolumes({kFullVolume}) && SetDefaultSourceMuted(false);
    }

    // 16-bit PCM at the virtual microphone's own rate and channels: what passes unchanged.
    zav::platform::PcmWaveFormat NativeFormat() const {
        return Pcm16(static_cast<std::uint16_t>(source_.channels), source_.rate);
    }

    static zav::platform::PcmWaveFormat Pcm16(std::uint16_t channels, std::uint32_t rate) {
        const auto block = static_cast<std::uint16_t>(channels * 2);
        return {zav::platform::kWaveFormatPcm, channels, rate, rate * block, block, 16};
    }

    static constexpr long kFullVolume = 65536;
    SourceFormat source_;
};

// For tests that stop, empty or break the server: each runs on a private server of its own,
// which is stopped afterwards while the process is pointed back at the shared one.
class PrivateServerTest : public ServerTest {
  protected:
    void SetUp() override {
        ServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server_ = std::make_unique<PrivateServer>();
        ASSERT_TRUE(server_->Running()) << server_->Problem();
    }
    void TearDown() override {
        server_.reset();
        ServerTest::TearDown();
    }

    std::unique_ptr<PrivateServer> server_;
};

using zav::test::WaitUntil;

}  // namespace alsa_test
