// REC on the shared manual clock, with a microphone that plays a known signal: the take, its
// end, normalising, the failures, and storing it on OK.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "keysound/mulaw_tables.h"
#include "keyvoice_rig.h"

namespace keyvoice_test {
namespace {

using platform::MmResult;
using zav::platform::WaveCall;
using zav::platform::WaveDirection;

const std::string kStored7 = std::string(kSysPath) + "\\cfff7.wax";

// The microphone's voice: a tone off the zero line, so that normalising has a centre to remove.
std::int16_t Voice(std::uint64_t frame) {
    return static_cast<std::int16_t>(
        std::lround(200 + 3000 * std::sin(2 * std::numbers::pi * static_cast<double>(frame) / 50)));
}

RigOptions VoiceCard() {
    RigOptions options;
    options.card.mic = [](std::uint64_t frame, std::uint32_t, std::uint32_t) {
        return Voice(frame);
    };
    return options;
}

// What the recording must hold once normalised: the voice for the frames recorded, zeros after,
// each sample (s - centre) x 2 within the 16-bit range, centre being where the record analyser
// stands after the take's stretches (analysed here as the ticks analyse them).
std::vector<std::int16_t> Normalised(std::size_t recordedFrames) {
    std::vector<std::int16_t> samples(kRecordBufferBytes / 2, 0);
    for (std::size_t i = 0; i < recordedFrames; ++i)
        samples[i] = Voice(i);
    KeyVoiceAnalysers reference;
    for (std::size_t from = 0; from < recordedFrames; from += 2205) {
        reference.MeterRecordingBlock(
            samples.data() + from,
            static_cast<std::uint32_t>(2 * std::min<std::size_t>(2205, recordedFrames - from)));
    }
    reference.recordAnalyser.Normalise(samples);
    return samples;
}

std::vector<std::int16_t> RecordedSamples(KeyVoiceRig& rig, int slot) {
    const std::span<const std::int16_t> samples = rig.Recordable(slot).record->Samples();
    return {samples.begin(), samples.end()};
}

void StoreKey7(KeyVoiceRig& rig) {
    PutWax(rig.files, kStored7, Tone(2.0, 700, 5000));
    SetZavValue(rig.store, "Key7Info", "9,2," + kStored7);
}

TEST(Recording, ATakeLeftAloneEndsAfterTwoSecondsNormalised) {
    KeyVoiceRig rig(VoiceCard());
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey6);
    ASSERT_TRUE(rig.Click(kIdcRec));
    EXPECT_EQ(rig.View().Control(kIdcPosition).rangeMaximum, static_cast<int>(kRecordBufferBytes));
    EXPECT_TRUE(rig.Enabled(kIdcStop));
    EXPECT_FALSE(rig.Enabled(kIdcRec));
    EXPECT_EQ(rig.card.OpenInputFormats(), std::vector<platform::PcmWaveFormat>{kRecordingFormat});

    rig.Advance(1000);
    EXPECT_EQ(rig.Slider(), 44100);
    EXPECT_GT(rig.dialog->Meter().Level(), 0);  // the voice lights the meter
    rig.Advance(1000);

    EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Idle);
    EXPECT_EQ(rig.Slider(), static_cast<int>(kRecordBufferBytes));
    EXPECT_EQ(rig.dialog->Meter().Level(), 0);
    EXPECT_TRUE(rig.Recordable(0).newRecording);
    EXPECT_TRUE(rig.Enabled(kIdcPlay) && rig.Enabled(kIdcRec) && rig.Enabled(kIdcErase));
    EXPECT_FALSE(rig.Enabled(kIdcStop));
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
    EXPECT_EQ(RecordedSamples(rig, 0), Normalised(kRecordBufferBytes / 2));
}

TEST(Recording, StopAfterOneSecondKeepsTheNormalisedZeroFillAsTheTail) {
    KeyVoiceRig rig(VoiceCard());
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey9);
    rig.Click(kIdcRec);
    rig.Advance(1000);
    ASSERT_TRUE(rig.Click(kIdcStop));
    EXPECT_FALSE(rig.Enabled(kIdcPlay));  // until the device has handed the buffer back
    rig.Click(kIdcStop);                  // a second STOP changes nothing meanwhile
    EXPECT_FALSE(rig.Enabled(kIdcPlay) || rig.Enabled(kIdcRec) || rig.Enabled(kIdcKey1));
    rig.Advance(10);
    EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Idle);
    const std::vector<std::int16_t> recorded = RecordedSamples(rig, 3);
    EXPECT_EQ(recorded, Normalised(22050));
    EXPECT_EQ(recorded.back(), recorded[30000]);  // the tail is one constant

    // The take plays for its full two seconds, from the start whatever the slider shows.
    const std::size_t before = rig.Played().size();
    rig.Click(kIdcPlay);
    rig.Advance(1999);
    EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Playing);
    rig.Advance(2);
    EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Idle);
    EXPECT_EQ(rig.PlayedFrom(before), recorded);
}

TEST(Recording, ANewTakeOfAStoredKeyPlaysAndOkStoresIt) {
    KeyVoiceRig rig(VoiceCard());
    StoreKey7(rig);
    ASSERT_TRUE(rig.Open());
    rig.Click(kIdcKey7);
    rig.Click(kIdcRec);
    rig.Advance(2100);
    EXPECT_TRUE(rig.Recordable(1).StoredRecording());  // kept in memory meanwhile
    const std::vector<std::int16_t> take = RecordedSamples(rig, 1);

    const std::size_t before = rig.Played().size();
    rig.Click(kIdcPlay);
    rig.Advance(2100);
    EXPECT_EQ(rig.PlayedFrom(before), take);

    rig.window->PressEnter();
    ASSERT_EQ(rig.window->Result(), zav::platform::kIdOk);
    const std::vector<std::uint8_t>* file = rig.files.Find(kStored7);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->size(), 44144u);
    for (std::size_t i = 0; i < take.size(); ++i)
        ASSERT_EQ((*file)[44 + i], LinearToMuLaw[static_cast<std::size_t>(take[i] + 32768)]) << i;
    KeyVoiceAnalysers analysers;  // as the store analyses: with the play analyser
    Sound copy(kRecordingFormat, take.size());
    std::ranges::copy(take, copy.Samples().begin());
    const AnalysisResult result = analysers.AnalyseRecording(copy.Header());
    EXPECT_EQ(ZavText(rig.store, "Key7Info"),
              FormatKeyInfo(kStored7, result.soundClass, result.level));

    // A new KeyVoice on the same store and folder starts with the key filled, and plays back
    // the stored codes.
    KeyVoiceRig again;
    SetZavValue(again.store, "Key7Info", *ZavText(rig.store, "Key7Info"));
    again.files.Put(kStored7, *file);
    ASSERT_TRUE(again.Open());
    ASSERT_TRUE(again.Recordable(1).StoredRecording());
    again.Click(kIdcKey7);
    again.Click(kIdcPlay);
    again.Advance(2100);
    const std::vector<std::int16_t> replayed = again.Played();
    ASSERT_EQ(replayed.size(), take.size());
    for (std::size_t i = 0; i < take.size(); ++i)
        ASSERT_EQ(replayed[i], MuLawToLinear[(*file)[44 + i]]) << i;
}

TEST(Recording, AFailedTakeLeavesTheKeyAsItWas) {
    struct Case {
        const char* what;
        std::function<void(KeyVoiceRig&)> fail;
        std::function<void(KeyVoiceRig&)> during;
        bool boxShown;
        bool takeKept;  // the take (partial) stays as the key's new recording
    };
    const auto nothing = [](KeyVoiceRig&) {};
    const Case cases[] = {
        {"open refused",
         [](KeyVoiceRig& rig) {
             rig.card.FailCall(WaveDirection::In, WaveCall::Open, MmResult::Allocated);
         },
         nothing, true, false},
        {"start refused",
         [](KeyVoiceRig& rig) {
             rig.card.FailCall(WaveDirection::In, WaveCall::Start, MmResult::Error);
         },
         nothing, false, false},
        {"the device fails during the take", nothing,
         [](KeyVoiceRig& rig) { rig.card.BreakOpenDevices(); }, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KeyVoiceRig rig(VoiceCard());
        StoreKey7(rig);
        ASSERT_TRUE(rig.Open());
        const std::vector<std::uint8_t> storedFile = *rig.files.Find(kStored7);
        rig.Click(kIdcKey7);
        c.fail(rig);
        rig.Click(kIdcRec);
        rig.Advance(500);
        c.during(rig);
        rig.Advance(100);

        EXPECT_EQ(rig.dialog->StateOfKey(rig.dialog->CurrentKey()), KeyState::Idle);
        EXPECT_TRUE(rig.Enabled(kIdcPlay) && rig.Enabled(kIdcRec));
        EXPECT_FALSE(rig.Enabled(kIdcStop));
        EXPECT_TRUE(rig.Enabled(kIdcKey6));
        EXPECT_FALSE(rig.dialog->ProgressTimerRunning());
        EXPECT_EQ(rig.card.OpenInputCount(), 0u);
        EXPECT_TRUE(rig.Recordable(1).StoredRecording());
        EXPECT_EQ(rig.Recordable(1).newRecording, c.takeKept);
        EXPECT_EQ(*rig.files.Find(kStored7), storedFile);
        EXPECT_EQ(ZavText(rig.store, "Key7Info"), "9,2," + kStored7);
        if (c.boxShown) {
            ASSERT_EQ(rig.boxes.shown.size(), 1u);
            EXPECT_EQ(rig.boxes.shown[0].caption, "Error");
            EXPECT_EQ(rig.boxes.shown[0].style.Bits(), 0u);  // OK, no icon
            EXPECT_EQ(rig.boxes.shown[0].text, platform::WaveResultText(MmResult::Allocated));
        } else {
            EXPECT_TRUE(rig.boxes.shown.empty());
        }
    }
}

TEST(Recording, RecNeedsARecordableKeyAndCancelWhileRecordingStopsTheDeviceFirst) {
    KeyVoiceRig rig(VoiceCard());
    ASSERT_TRUE(rig.Open());
    rig.dialog->OnRec();  // without a key
    rig.Click(kIdcKey2);
    rig.dialog->OnRec();  // on a built-in key
    EXPECT_EQ(rig.card.CallCount(WaveDirection::In, WaveCall::Open), 0u);

    rig.Click(kIdcKey8);
    rig.Click(kIdcRec);
    rig.Advance(700);
    rig.window->PressEscape();
    EXPECT_EQ(rig.window->Result(), zav::platform::kIdCancel);
    EXPECT_EQ(rig.card.OpenInputCount(), 0u);
    rig.window.reset();
    rig.dialog.reset();  // under AddressSanitizer: the record buffer is no longer in use
    rig.Advance(2000);
    EXPECT_FALSE(ZavText(rig.store, "Key8Info").has_value());
}

}  // namespace
}  // namespace keyvoice_test
