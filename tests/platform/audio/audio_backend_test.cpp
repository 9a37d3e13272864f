#include "platform/audio/audio_backend.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "platform/hardware/audio_backend_list.h"
#include "platform/sim/audio_backends.h"
#include "platform/sim/sim_sound_card.h"
#include "platform/testing/manual_dispatcher.h"
#include "tests/support/capture_test_support.h"

namespace zav::platform {
namespace {

EnvironmentLookup Environment(std::map<std::string, std::string> values) {
    return [values = std::move(values)](std::string_view name) -> std::optional<std::string> {
        auto found = values.find(std::string(name));
        if (found == values.end())
            return std::nullopt;
        return found->second;
    };
}

// A backend that stands for real hardware: available or not, counting its tries.
AudioBackend Hardware(std::string_view name, bool available, int& tries) {
    return AudioBackend{
        name, false,
        [available, &tries](const EnvironmentLookup&, Dispatcher&, std::string& whyNot) {
            ++tries;
            AudioBundle bundle;
            if (!available) {
                whyNot = "no device";
                return bundle;
            }
            bundle.audio = std::make_unique<sim::SimSoundCard>();
            return bundle;
        }};
}

TEST(SelectAudioBackend, TriesTheListInOrderButNeverTheSimulatedCardUnasked) {
    sim::ManualDispatcher dispatcher;
    int firstTries = 0;
    int secondTries = 0;
    const std::vector<AudioBackend> backends = {Hardware("one", false, firstTries),
                                                Hardware("two", true, secondTries),
                                                sim::SimAudioBackend()};
    AudioSelection chosen = SelectAudioBackend(backends, Environment({}), dispatcher);
    EXPECT_TRUE(chosen.bundle);
    EXPECT_EQ(chosen.backend, "two");
    EXPECT_EQ(firstTries, 1);

    const std::vector<AudioBackend> onlySim = {Hardware("one", false, firstTries),
                                               sim::SimAudioBackend()};
    chosen = SelectAudioBackend(onlySim, Environment({}), dispatcher);
    EXPECT_FALSE(chosen.bundle);
    EXPECT_EQ(chosen.problem, "one: no device");
}

TEST(SelectAudioBackend, ZavAudioNamesTheBackend) {
    sim::ManualDispatcher dispatcher;
    int tries = 0;
    const std::vector<AudioBackend> backends = {Hardware("one", true, tries),
                                                sim::SimAudioBackend()};
    AudioSelection chosen =
        SelectAudioBackend(backends, Environment({{"ZAV_AUDIO", "sim"}}), dispatcher);
    ASSERT_TRUE(chosen.bundle);
    EXPECT_EQ(chosen.backend, "sim");
    EXPECT_EQ(tries, 0);
    EXPECT_EQ(chosen.bundle.audio->WaveIn().GetNumDevs(), 1u);
    // The card comes with its own mixer.
    EXPECT_EQ(chosen.bundle.mixer->GetNumDevs(), 1u);

    chosen = SelectAudioBackend(backends, Environment({{"ZAV_AUDIO", "bogus"}}), dispatcher);
    EXPECT_FALSE(chosen.bundle);
    EXPECT_EQ(chosen.problem, "ZAV_AUDIO names an unknown audio backend \"bogus\"");
}

TEST(AudioBackends, TheRealSoundComesFirstAndTheSimulatedCardOnlyWhenNamed) {
    // Checked as a list, without starting any backend: the real ones are tried in order, and
    // the simulated card, last, is never chosen unless ZAV_AUDIO names it.
    const std::vector<AudioBackend> backends = AudioBackends();
    ASSERT_FALSE(backends.empty());
    EXPECT_EQ(backends.back().name, sim::kSimBackendName);
    EXPECT_TRUE(backends.back().onlyWhenNamed);
    for (std::size_t i = 0; i + 1 < backends.size(); ++i) {
        EXPECT_FALSE(backends[i].onlyWhenNamed) << backends[i].name;
        EXPECT_NE(backends[i].name, sim::kSimBackendName);
    }
}

class SimMicFileTest : public testing::Test {
  protected:
    ~SimMicFileTest() override { std::filesystem::remove(path_); }
    void Write(const std::vector<std::uint8_t>& bytes) {
        std::ofstream file(path_, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    AudioSelection Create() {
        return ChooseAudioBackend(
            dispatcher_, Environment({{"ZAV_AUDIO", "sim"}, {"ZAV_SIM_MIC", path_.string()}}));
    }

    sim::ManualDispatcher dispatcher_;
    std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                  ("capture_test_voice_" + std::to_string(::getpid()) + ".wav");
};

TEST_F(SimMicFileTest, TheVoiceFileFeedsTheMicrophone) {
    const std::vector<std::int16_t> voice = {1000, -1000, 2000, -2000};
    Write(capture_test::WaveFileBytes(22050, 1, voice));
    AudioSelection chosen = Create();
    ASSERT_TRUE(chosen.bundle) << chosen.problem;
    auto& card = dynamic_cast<sim::SimSoundCard&>(*chosen.bundle.audio);
    card.StopThreads();  // drive it by hand
    capture_test::FailOnViolation(card);

    WaveInHandle handle;
    const PcmWaveFormat mono{kWaveFormatPcm, 1, 22050, 44100, 2, 16};
    ASSERT_EQ(card.WaveIn().Open(handle, kWaveMapper, mono, {}), MmResult::NoError);
    std::vector<std::uint8_t> data(12);
    WaveHeader header;
    header.data = data.data();
    header.bufferLength = 12;
    card.WaveIn().PrepareHeader(handle, header);
    card.WaveIn().AddBuffer(handle, header);
    card.WaveIn().Start(handle);
    card.AdvanceBy(1);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(capture_test::SampleAt(data.data(), i), voice[i % 4]) << i;
    }
    card.WaveIn().Reset(handle);
    card.WaveIn().Close(handle);
}

TEST_F(SimMicFileTest, AnUnusableVoiceFileIsAClearError) {
    Write({'R', 'I', 'F', 'F'});
    AudioSelection chosen = Create();
    EXPECT_FALSE(chosen.bundle);
    EXPECT_EQ(chosen.problem, "audio backend \"sim\" is not available: ZAV_SIM_MIC file \"" +
                                  path_.string() + "\": not a RIFF WAVE file");

    std::filesystem::remove(path_);
    chosen = Create();
    EXPECT_FALSE(chosen.bundle);
    EXPECT_NE(chosen.problem.find("cannot be opened"), std::string::npos);
}

TEST_F(SimMicFileTest, ZavSimSpeakerKeepsWhatWasPlayedAsAWaveFileForAListener) {
    const std::filesystem::path speaker = path_.string() + ".speaker.wav";
    std::vector<std::int16_t> sound(2205);
    for (std::size_t i = 0; i < sound.size(); ++i)
        sound[i] = static_cast<std::int16_t>(i * 7);
    {
        AudioSelection chosen = ChooseAudioBackend(
            dispatcher_,
            Environment({{"ZAV_AUDIO", "sim"}, {"ZAV_SIM_SPEAKER", speaker.string()}}));
        ASSERT_TRUE(chosen.bundle) << chosen.problem;
        auto& card = dynamic_cast<sim::SimSoundCard&>(*chosen.bundle.audio);
        card.StopThreads();  // drive it by hand
        WaveOutHandle handle;
        const PcmWaveFormat mono{kWaveFormatPcm, 1, 22050, 44100, 2, 16};
        ASSERT_EQ(card.WaveOut().Open(handle, kWaveMapper, mono, {}), MmResult::NoError);
        std::vector<std::uint8_t> bytes = capture_test::SampleBytes(sound);
        WaveHeader header;
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
        card.WaveOut().PrepareHeader(handle, header);
        card.WaveOut().Write(handle, header);
        card.AdvanceBy(200);
        card.WaveOut().UnprepareHeader(handle, header);
        card.WaveOut().Close(handle);
    }  // the file is written as the bundle goes
    std::vector<std::uint8_t> written;
    {
        std::ifstream file(speaker, std::ios::binary);  // closed before the removal (Windows)
        written.assign(std::istreambuf_iterator<char>(file), {});
    }
    std::filesystem::remove(speaker);
    EXPECT_EQ(written, capture_test::WaveFileBytes(22050, 1, sound));
}

TEST(SimAudioBackend, ADemoOnTheSimulatedCardReportsABrokenRuleAndGoesOn) {
    sim::ManualDispatcher dispatcher;
    AudioSelection chosen = ChooseAudioBackend(dispatcher, Environment({{"ZAV_AUDIO", "sim"}}));
    ASSERT_TRUE(chosen.bundle) << chosen.problem;
    WaveOutApi& waveOut = chosen.bundle.audio->WaveOut();
    WaveOutHandle handle;
    const PcmWaveFormat mono{kWaveFormatPcm, 1, 22050, 44100, 2, 16};
    ASSERT_EQ(waveOut.Open(handle, kWaveMapper, mono, {}), MmResult::NoError);
    std::vector<std::uint8_t> data(44100);
    WaveHeader header;
    header.data = data.data();
    header.bufferLength = static_cast<std::uint32_t>(data.size());

    testing::internal::CaptureStderr();
    const MmResult unprepared = waveOut.Write(handle, header);  // never prepared: a broken rule
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(unprepared, MmResult::WaveUnprepared);
    EXPECT_NE(said.find("host rule broken: waveOutWrite with a buffer that is not prepared"),
              std::string::npos)
        << said;

    // The program goes on: the same buffer, prepared, plays and comes back.
    ASSERT_EQ(waveOut.PrepareHeader(handle, header), MmResult::NoError);
    ASSERT_EQ(waveOut.Write(handle, header), MmResult::NoError);
    ASSERT_EQ(waveOut.Reset(handle), MmResult::NoError);
    ASSERT_EQ(waveOut.UnprepareHeader(handle, header), MmResult::NoError);
    EXPECT_EQ(waveOut.Close(handle), MmResult::NoError);
}

}  // namespace
}  // namespace zav::platform
