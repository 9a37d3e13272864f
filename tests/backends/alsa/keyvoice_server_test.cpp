// KeyVoice on the sound server, driven as a user drives it: a spoken take recorded from the
// virtual microphone and stored on OK, a take stopped early, built-in sounds and takes played to
// the virtual speaker, the meter, the record-volume slider against the server's own volume, and
// the devices going missing or away.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numeric>
#include <string>
#include <thread>

#include "keysound/config_store.h"
#include "keysound/key_voice_analysers.h"
#include "keysound/wax_file.h"
#include "keyvoice/resources.h"
#include "platform/posix/posix_file_system.h"
#include "real_key_voice.h"
#include "server_test.h"
#include "test_sounds.h"
#include "tests/platform/registry/temp_folder.h"

namespace alsa_test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace platform = zav::platform;
using keyvoice::KeyState;

constexpr const char* kSentence = "Hello Pim Pim, here I am.";

std::vector<std::int16_t> Decoded(const std::filesystem::path& path) {
    platform::PosixFileSystem files;
    keyvoice::LoadResult loaded = keyvoice::LoadSoundFile(files, path.string());
    if (loaded.status != keyvoice::LoadStatus::Loaded)
        return {};
    const auto samples = loaded.sound->Samples();
    return {samples.begin(), samples.end()};
}

// The normalised correlation of reference with recording from frame lag on, over the frames
// both have.
double CorrelationAt(std::span<const std::int16_t> recording,
                     std::span<const std::int16_t> reference, std::size_t lag) {
    if (lag >= recording.size())
        return 0.0;
    const std::size_t count = std::min(recording.size() - lag, reference.size());
    double sumXY = 0, sumXX = 0, sumYY = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = recording[lag + i];
        const double y = reference[i];
        sumXY += x * y;
        sumXX += x * x;
        sumYY += y * y;
    }
    return sumXX > 0 && sumYY > 0 ? sumXY / std::sqrt(sumXX * sumYY) : 0.0;
}

struct Match {
    std::size_t lag = 0;
    double correlation = 0.0;
};

// Where reference (mono) lies within recording, and how alike they are there: the lag whose
// normalised correlation over a stretch from the reference's loudest part is highest (a plain
// product would favour any loud part of the recording, and a sound's opening may be silence).
std::optional<Match> Locate(std::span<const std::int16_t> recording,
                            std::span<const std::int16_t> reference) {
    constexpr std::size_t kProbe = 4410;
    if (reference.size() < kProbe || recording.size() < kProbe)
        return std::nullopt;
    const auto loudest = std::max_element(reference.begin(), reference.end(),
                                          [](auto a, auto b) { return std::abs(a) < std::abs(b); });
    const std::size_t from = std::min<std::size_t>(
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(loudest - reference.begin() - 2000, 0)),
        reference.size() - kProbe);
    const std::span<const std::int16_t> probe = reference.subspan(from, kProbe);
    std::optional<Match> best;
    for (std::size_t at = 0; at + kProbe <= recording.size(); ++at) {
        const double correlation = CorrelationAt(recording.subspan(at, kProbe), probe, 0);
        if (at >= from && (!best || correlation > best->correlation))
            best = Match{at - from, correlation};
    }
    if (best)
        best->correlation = CorrelationAt(recording, reference, best->lag);
    return best;
}

double Rms(std::span<const std::int16_t> samples) {
    double sum = 0;
    for (std::int16_t sample : samples)
        sum += static_cast<double>(sample) * sample;
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

// Upward zero crossings a second: the sound's frequency, whatever its rate.
double CrossingsPerSecond(std::span<const std::int16_t> samples, unsigned rate, unsigned channels) {
    std::size_t crossings = 0;
    for (std::size_t i = channels; i < samples.size(); i += channels) {
        if (samples[i - channels] < 0 && samples[i] >= 0)
            ++crossings;
    }
    return static_cast<double>(crossings) * rate * channels / static_cast<double>(samples.size());
}

// The part of a capture that holds sound, from the first loud sample to the last.
std::span<const std::int16_t> Trimmed(std::span<const std::int16_t> samples) {
    const auto loud = [](std::int16_t sample) { return std::abs(sample) > 200; };
    const auto first = std::find_if(samples.begin(), samples.end(), loud);
    const auto last = std::find_if(samples.rbegin(), samples.rend(), loud).base();
    if (first >= last)
        return {};
    return {first, last};
}

std::string ClassDigit(const std::string& keyInfo) {
    const std::size_t comma = keyInfo.find(',');
    return comma == std::string::npos ? "" : keyInfo.substr(comma + 1, 1);
}

int Level(const std::string& keyInfo) {
    return std::stoi(keyInfo.substr(0, keyInfo.find(',')));
}

using KeyVoiceOnServerTest = ServerTest;

TEST_F(KeyVoiceOnServerTest, ASpokenTakeIsRecordedMeteredAndStoredOnOk) {
    const std::filesystem::path speech = MakeSpeech("keyvoice_sentence", kSentence);
    ASSERT_FALSE(speech.empty());
    const std::optional<PcmSamples> spoken = ReadSound(speech);
    ASSERT_TRUE(spoken.has_value());
    TempFolder folder;
    RealKeyVoice keyVoice(folder.Path());
    ASSERT_TRUE(keyVoice.Open());
    ASSERT_TRUE(keyVoice.Click(keyvoice::kIdcKey6));

    const auto started = Clock::now();
    ASSERT_TRUE(keyVoice.Click(keyvoice::kIdcRec));
    ASSERT_TRUE(Feed(speech));
    int loudest = 0;
    while (keyVoice.StateOfCurrentKey() == KeyState::Recording) {
        loudest = std::max(loudest, keyVoice.MeterLevel());
        ASSERT_LT(Clock::now() - started, 5s);
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_TRUE(keyVoice.WaitUntilIdle(2s));
    const auto buttonsBack = Clock::now();
    ASSERT_TRUE(keyVoice.Enabled(keyvoice::kIdcPlay));
    EXPECT_GT(loudest, 0);                // loud speech lights the meter
    EXPECT_EQ(keyVoice.MeterLevel(), 0);  // and it goes dark at the end

    ASSERT_TRUE(keyVoice.Click(platform::kIdOk));
    EXPECT_EQ(keyVoice.EndResult(), platform::kIdOk);
    const std::filesystem::path stored = keyVoice.SysFolder() / "cfff6.wax";
    ASSERT_EQ(std::filesystem::file_size(stored), 44144u);
    const std::vector<std::int16_t> take = Decoded(stored);
    ASSERT_EQ(take.size(), 44100u);
    const std::optional<Match> match = Locate(take, spoken->samples);
    ASSERT_TRUE(match.has_value());
    EXPECT_GT(match->correlation, source_.rate == 22050 ? 0.9 : 0.6);

    const std::optional<std::string> keyInfo = keyVoice.Value("Key6Info");
    ASSERT_TRUE(keyInfo.has_value());
    EXPECT_GT(Level(*keyInfo), 0);
    keyvoice::KeyVoiceAnalysers analysers;
    keyvoice::Sound decoded(keyvoice::kRecordingFormat, take.size());
    std::ranges::copy(take, decoded.Samples().begin());
    const keyvoice::AnalysisResult result = analysers.AnalyseRecording(decoded.Header());
    EXPECT_EQ(ClassDigit(*keyInfo),
              ClassDigit(keyvoice::FormatKeyInfo("", result.soundClass, result.level)));
    // The path as the store keeps it: ZavSysPath, then the file name with its backslash.
    EXPECT_NE(keyInfo->find(keyVoice.SysFolder().string() + "\\cfff6.wax"), std::string::npos)
        << *keyInfo;

    const long long backAfter =
        std::chrono::duration_cast<std::chrono::milliseconds>(buttonsBack - started).count() - 2000;
    ReportMeasurement("keyvoice take: speech found at lag " + std::to_string(match->lag) +
                      " samples, peak normalised correlation " +
                      std::to_string(match->correlation) + "; the buttons came back " +
                      std::to_string(backAfter) + " ms after the take's 2.00 s (as polled)");
}

TEST_F(KeyVoiceOnServerTest, ATakeStoppedEarlyKeepsTheNormalisedZeroFillAsItsTail) {
    const std::filesystem::path speech = MakeSpeech("keyvoice_sentence", kSentence);
    const std::optional<PcmSamples> spoken = ReadSound(speech);
    ASSERT_TRUE(spoken.has_value());
    TempFolder folder;
    RealKeyVoice keyVoice(folder.Path());
    ASSERT_TRUE(keyVoice.Open());
    keyVoice.Click(keyvoice::kIdcKey8);
    ASSERT_TRUE(Feed(speech));
    keyVoice.Click(keyvoice::kIdcRec);
    std::this_thread::sleep_for(1000ms);
    ASSERT_TRUE(keyVoice.Click(keyvoice::kIdcStop));
    ASSERT_TRUE(keyVoice.WaitUntilIdle(2s));
    keyVoice.Click(platform::kIdOk);

    const std::vector<std::int16_t> take = Decoded(keyVoice.SysFolder() / "cfff8.wax");
    ASSERT_EQ(take.size(), 44100u);
    // Nothing was recorded after STOP: from 1.3 s on the take is one constant.
    const std::span<const std::int16_t> tail(take.begin() + 28665, take.end());
    EXPECT_TRUE(std::all_of(tail.begin(), tail.end(),
                            [&](std::int16_t sample) { return sample == tail.front(); }));
    // The head holds the speech: the speech began before REC, so its middle is looked for.
    const std::span<const std::int16_t> head(take.begin(), take.begin() + 19845);
    const std::span<const std::int16_t> reference(spoken->samples.begin() + 11025,
                                                  spoken->samples.begin() + 15435);
    const std::optional<Match> match = Locate(head, reference);
    ASSERT_TRUE(match.has_value());
    EXPECT_GT(match->correlation, source_.rate == 22050 ? 0.9 : 0.6);
    ReportMeasurement("keyvoice early stop: speech found at lag " + std::to_string(match->lag) +
                      ", correlation " + std::to_string(match->correlation));
}

TEST_F(KeyVoiceOnServerTest, BuiltinSoundsAndTakesReachTheSpeaker) {
    TempFolder folder;
    RealKeyVoice keyVoice(folder.Path());
    ASSERT_TRUE(keyVoice.Open());
    const std::vector<std::int16_t> builtin = Decoded(folder.Path() / "data" / "cfff3.wax");
    ASSERT_FALSE(builtin.empty());

    const auto playAndCapture = [&](int key, const std::string& name) {
        const std::filesystem::path heard =
            std::filesystem::path(ZAV_TEST_SOUND_DIR) / (name + ".wav");
        const std::filesystem::path ready = std::filesystem::path(ZAV_TEST_SOUND_DIR) / "ready";
        std::filesystem::remove(ready);
        BackgroundCommand capture({SandboxScript().string(), "capture-output", "3", heard.string(),
                                   "--ready", ready.string()});
        EXPECT_TRUE(capture.Started());
        EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(ready); }, 10s));
        keyVoice.Click(key);
        keyVoice.Click(keyvoice::kIdcPlay);
        EXPECT_TRUE(keyVoice.WaitUntilIdle(4s));
        EXPECT_EQ(capture.Wait(), 0);
        return ReadSound(heard);
    };

    const std::optional<PcmSamples> heard = playAndCapture(keyvoice::kIdcKey3, "keyvoice_builtin");
    ASSERT_TRUE(heard.has_value());
    if (source_.rate == 22050 && source_.channels == 1) {
        const std::optional<Match> at = Locate(heard->samples, builtin);
        ASSERT_TRUE(at.has_value());
        EXPECT_EQ(CountDifferences(heard->samples, builtin, at->lag, 1), 0u);
    } else {
        // The server resamples: the same loudness and the same frequency.
        const std::span<const std::int16_t> sound = Trimmed(heard->samples);
        EXPECT_NEAR(Rms(sound) / Rms(Trimmed(builtin)), 1.0, 0.15);
        EXPECT_NEAR(CrossingsPerSecond(sound, source_.rate, source_.channels) /
                        CrossingsPerSecond(Trimmed(builtin), 22050, 1),
                    1.0, 0.1);
    }

    // A take, just recorded, plays to the speaker too.
    const std::filesystem::path tone = MakeTone(
        "keyvoice_tone_" + std::to_string(source_.rate) + "_" + std::to_string(source_.channels),
        source_.rate, source_.channels, 4.0, 330.0, 0.4);
    ASSERT_TRUE(Feed(tone, true));
    keyVoice.Click(keyvoice::kIdcKey9);
    keyVoice.Click(keyvoice::kIdcRec);
    ASSERT_TRUE(keyVoice.WaitUntilIdle(4s));
    FeedStop();
    const std::optional<PcmSamples> played = playAndCapture(keyvoice::kIdcKey9, "keyvoice_take");
    ASSERT_TRUE(played.has_value());
    const std::span<const std::int16_t> sound = Trimmed(played->samples);
    EXPECT_GT(sound.size(), source_.rate * source_.channels);  // most of the two seconds
    EXPECT_NEAR(CrossingsPerSecond(sound, source_.rate, source_.channels), 330.0, 20.0);
}

TEST_F(KeyVoiceOnServerTest, TheRecordVolumeSliderAndTheServersSourceVolumeFollowEachOther) {
    TempFolder folder;
    RealKeyVoice keyVoice(folder.Path());
    ASSERT_TRUE(keyVoice.Open());
    // The mixer of the device KeyVoice records from: the server's default one, not a card's.
    EXPECT_EQ(keyVoice.Dialog().Devices().MixerDevice(), 0);
    platform::MixerCaps caps;
    keyVoice.On([&] { keyVoice.Mixer().GetDevCaps(0u, caps); });
    EXPECT_EQ(caps.name, DefaultCardName());
    EXPECT_TRUE(keyVoice.Enabled(keyvoice::kIdcRecordVolume));
    EXPECT_EQ(keyVoice.SliderPosition(keyvoice::kIdcRecordVolume), 0);  // full volume: the top

    // The thumb halfway down sets half the volume on the server.
    keyVoice.MoveSlider(keyvoice::kIdcRecordVolume, 32768);
    ASSERT_TRUE(WaitUntil(
        [] {
            const std::vector<long> volumes = DefaultSourceVolumes();
            return !volumes.empty() && std::abs(volumes.front() - 32768) < 700;
        },
        2s));

    // Another program turns it down; the slider follows.
    ASSERT_TRUE(SetDefaultSourceVolumes({16384}));
    ASSERT_TRUE(WaitUntil(
        [&] {
            return std::abs(keyVoice.SliderPosition(keyvoice::kIdcRecordVolume) - (65535 - 16384)) <
                   700;
        },
        2s));
}

using KeyVoiceOnPrivateServerTest = PrivateServerTest;

TEST_F(KeyVoiceOnPrivateServerTest, AServerWithoutDevicesGivesThePlayDeviceMessage) {
    ASSERT_TRUE(server_->RemoveAllDevices());
    TempFolder folder;
    RealKeyVoice keyVoice(folder.Path());
    EXPECT_FALSE(keyVoice.Open());
    const std::vector<platform::sim::ShownMessage> shown = keyVoice.Messages();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().text, "The voice play device could not be found.");
    EXPECT_EQ(shown.back().caption, "Error");
}

TEST_F(KeyVoiceOnPrivateServerTest, AMicrophoneThatIsGoneGivesTheRecordDeviceMessage) {
    // A server keeps a monitor source beside every sink, so a program always finds something
    // to record from; what it can lose is the microphone it is set to use. The sandbox's
    // microphone goes, while the process still names it as its source.
    ASSERT_EQ(RunCommand({"pactl", "unload-module", "module-remap-source"}).status, 0);
    const char* earlier = std::getenv("PULSE_SOURCE");
    const std::string saved = earlier != nullptr ? earlier : "";
    ::setenv("PULSE_SOURCE", "sandbox_mic", 1);
    std::vector<platform::sim::ShownMessage> shown;
    bool opened = true;
    {
        TempFolder folder;
        RealKeyVoice keyVoice(folder.Path());
        opened = keyVoice.Open();
        shown = keyVoice.Messages();
    }
    if (earlier != nullptr) {
        ::setenv("PULSE_SOURCE", saved.c_str(), 1);
    } else {
        ::unsetenv("PULSE_SOURCE");
    }
    EXPECT_FALSE(opened);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().text, "The voice recording device could not be found.");
    EXPECT_EQ(shown.back().caption, "Error");
}

TEST_F(KeyVoiceOnPrivateServerTest, AServerThatStopsDuringATakeLeavesKeyVoiceAnswering) {
    TempFolder folder;
    RealKeyVoice keyVoice(folder.Path());
    // An earlier take of key 6, stored.
    const std::filesystem::path earlier = keyVoice.SysFolder() / "cfff6.wax";
    {
        platform::PosixFileSystem files;
        keyvoice::Sound sound(keyvoice::kRecordingFormat, 44100);
        for (std::size_t i = 0; i < 44100; ++i)
            sound.Samples()[i] = static_cast<std::int16_t>((i % 100) * 50);
        ASSERT_EQ(keyvoice::WriteWaxFile(files, earlier.string(), sound.Header()),
                  keyvoice::WaxWriteResult::Written);
        platform::RegistryKey key;
        keyVoice.Store().CreateKey(keyvoice::kZavHive, keyvoice::kZavKeyPath, platform::Access::All,
                                   key);
        key.SetString("Key6Info", "4,1," + keyVoice.SysFolder().string() + "\\cfff6.wax");
    }
    std::ifstream before(earlier, std::ios::binary);
    const std::vector<char> earlierBytes{std::istreambuf_iterator<char>(before), {}};
    ASSERT_TRUE(keyVoice.Open());
    keyVoice.Click(keyvoice::kIdcKey6);
    ASSERT_TRUE(keyVoice.Click(keyvoice::kIdcRec));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(server_->Stop());

    EXPECT_TRUE(keyVoice.WaitUntilIdle(3s));
    bool storedKept = false;
    keyVoice.On([&] { storedKept = keyVoice.Dialog().Slots().recordable[0].StoredRecording(); });
    EXPECT_TRUE(storedKept);
    EXPECT_TRUE(keyVoice.PressEscape());
    EXPECT_EQ(keyVoice.EndResult(), platform::kIdCancel);
    std::ifstream after(earlier, std::ios::binary);
    EXPECT_EQ(std::vector<char>(std::istreambuf_iterator<char>(after), {}), earlierBytes);
    EXPECT_EQ(keyVoice.Value("Key6Info"), "4,1," + keyVoice.SysFolder().string() + "\\cfff6.wax");
}

}  // namespace
}  // namespace alsa_test
