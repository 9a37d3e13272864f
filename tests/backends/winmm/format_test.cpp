// The translations between the seam's wave records and the host's.

#include <gtest/gtest.h>

#include "platform/audio/wave_caps.h"
#include "platform/winmm/winmm_format.h"
#include "platform/winmm/winmm_output_hold.h"
#include "tests/support/pcm_format.h"

namespace {

using zav::platform::MmResult;
using zav::platform::PcmWaveFormat;
using namespace zav::platform::winmm;

using zav::test::Pcm;

TEST(WinmmFormat, PlainPcmPassesFieldForField) {
    // The wave core has refused every other format before the system sees it.
    for (const PcmWaveFormat& format :
         {Pcm(1, 22050, 16), Pcm(2, 22050, 16), Pcm(2, 44100, 8), Pcm(1, 8000, 16)}) {
        const WAVEFORMATEX host = ToWaveFormatEx(format);
        EXPECT_EQ(host.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(host.nChannels, format.channels);
        EXPECT_EQ(host.nSamplesPerSec, format.samplesPerSec);
        EXPECT_EQ(host.nAvgBytesPerSec, format.avgBytesPerSec);
        EXPECT_EQ(host.nBlockAlign, format.blockAlign);
        EXPECT_EQ(host.wBitsPerSample, format.bitsPerSample);
        EXPECT_EQ(host.cbSize, 0);
    }
}

TEST(WinmmFormat, DeviceBuffersHoldAboutTwentyMillisecondsInWholeFrames) {
    EXPECT_EQ(DeviceChunkBytes(Pcm(1, 22050, 16)), 441u * 2);
    EXPECT_EQ(DeviceChunkBytes(Pcm(2, 44100, 16)), 882u * 4);
    EXPECT_EQ(DeviceChunkBytes(Pcm(2, 11025, 8)), 220u * 2);
    EXPECT_EQ(DeviceChunkBytes(Pcm(1, 1000, 8)), 20u);
}

TEST(WinmmFormat, CapsKeepTheHostsNumbersAndNameTheDeviceInUtf8) {
    WAVEINCAPSW in{};
    in.wMid = 0xFF;
    in.wPid = 0x1234;
    in.vDriverVersion = 0x10001;
    wcscpy(in.szPname, L"Mikrofon (\u00c4\u00e4ni)");
    in.dwFormats = 0xFFFFF;  // the 48 and 96 kHz bits too, as Wine reports them
    in.wChannels = 2;
    const zav::platform::WaveDeviceCaps inCaps = FromHostCaps(in);
    EXPECT_EQ(inCaps.manufacturerId, 0xFF);
    EXPECT_EQ(inCaps.productId, 0x1234);
    EXPECT_EQ(inCaps.driverVersion, 0x10001u);
    EXPECT_EQ(inCaps.productName, "Mikrofon (\xc3\x84\xc3\xa4ni)");
    EXPECT_EQ(inCaps.formats, 0xFFFFFu);
    EXPECT_EQ(inCaps.channels, 2);
    EXPECT_EQ(inCaps.support, 0u);

    WAVEOUTCAPSW out{};
    wcscpy(out.szPname, L"0123456789012345678901234567890");  // the field's 31 characters
    out.dwFormats = zav::platform::kWaveFormat2M16;
    out.wChannels = 1;
    out.dwSupport = WAVECAPS_VOLUME | WAVECAPS_SAMPLEACCURATE;
    const zav::platform::WaveDeviceCaps outCaps = FromHostCaps(out);
    EXPECT_EQ(outCaps.productName, "0123456789012345678901234567890");
    EXPECT_EQ(outCaps.formats, zav::platform::kWaveFormat2M16);
    EXPECT_EQ(outCaps.support,
              zav::platform::kWaveCapsVolume | zav::platform::kWaveCapsSampleAccurate);
}

TEST(WinmmFormat, ResultsTheSeamKnowsPassAndOthersBecomeError) {
    EXPECT_EQ(ToMmResult(MMSYSERR_NOERROR), MmResult::NoError);
    EXPECT_EQ(ToMmResult(MMSYSERR_BADDEVICEID), MmResult::BadDeviceId);
    EXPECT_EQ(ToMmResult(MMSYSERR_ALLOCATED), MmResult::Allocated);
    EXPECT_EQ(ToMmResult(MMSYSERR_NODRIVER), MmResult::NoDriver);
    EXPECT_EQ(ToMmResult(WAVERR_BADFORMAT), MmResult::WaveBadFormat);
    EXPECT_EQ(ToMmResult(WAVERR_STILLPLAYING), MmResult::WaveStillPlaying);
    EXPECT_EQ(ToMmResult(WAVERR_UNPREPARED), MmResult::WaveUnprepared);
    EXPECT_EQ(ToMmResult(MMSYSERR_INVALIDALIAS), MmResult::Error);
    EXPECT_EQ(ToMmResult(MIDIERR_NODEVICE), MmResult::Error);
}

TEST(WinmmFormat, DirectSoundFailuresKeepTheirMeaning) {
    EXPECT_EQ(FromDirectSoundResult(DS_OK), MmResult::NoError);
    EXPECT_EQ(FromDirectSoundResult(DSERR_NODRIVER), MmResult::NoDriver);
    EXPECT_EQ(FromDirectSoundResult(DSERR_ALLOCATED), MmResult::Allocated);
    EXPECT_EQ(FromDirectSoundResult(DSERR_OUTOFMEMORY), MmResult::NoMem);
    EXPECT_EQ(FromDirectSoundResult(DSERR_INVALIDPARAM), MmResult::InvalParam);
    EXPECT_EQ(FromDirectSoundResult(DSERR_UNSUPPORTED), MmResult::NotSupported);
    EXPECT_EQ(FromDirectSoundResult(DSERR_GENERIC), MmResult::Error);
}

}  // namespace
