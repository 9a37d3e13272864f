// The translations between the seam's mixer records and the host's.

#include <gtest/gtest.h>

#include <array>

#include "platform/winmm/winmm_mixer_records.h"

namespace {

using namespace zav::platform;
using namespace zav::platform::winmm;

TEST(WinmmMixerRecords, EachLineQuerySeedsOnlyTheFieldsItReads) {
    const MixerLine asked{.destination = 2,
                          .source = 3,
                          .lineId = 0xFFFF0000,
                          .componentType = ComponentType::SrcMicrophone};
    struct Case {
        LineInfoQuery query;
        DWORD flags;
        DWORD destination, source, lineId, componentType;
    };
    const Case cases[] = {
        {LineInfoQuery::Destination, MIXER_GETLINEINFOF_DESTINATION, 2, 0, 0, 0},
        {LineInfoQuery::Source, MIXER_GETLINEINFOF_SOURCE, 2, 3, 0, 0},
        {LineInfoQuery::LineId, MIXER_GETLINEINFOF_LINEID, 0, 0, 0xFFFF0000, 0},
        {LineInfoQuery::ComponentType, MIXER_GETLINEINFOF_COMPONENTTYPE, 0, 0, 0,
         MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LineInfoFlags(c.query), c.flags);
        MIXERLINEW host;
        host.dwDestination = 99;  // stale contents must not survive
        SeedLineQuery(asked, c.query, host);
        EXPECT_EQ(host.cbStruct, sizeof(MIXERLINEW));
        EXPECT_EQ(host.dwDestination, c.destination);
        EXPECT_EQ(host.dwSource, c.source);
        EXPECT_EQ(host.dwLineID, c.lineId);
        EXPECT_EQ(host.dwComponentType, c.componentType);
    }
    EXPECT_FALSE(LineInfoFlags(static_cast<LineInfoQuery>(9)).has_value());
    EXPECT_EQ(LineControlsFlags(LineControlsQuery::OneByType), MIXER_GETLINECONTROLSF_ONEBYTYPE);
    EXPECT_FALSE(LineControlsFlags(static_cast<LineControlsQuery>(5)).has_value());
    EXPECT_EQ(DetailsSetFlags(ControlDetailsSet::Custom), MIXER_SETCONTROLDETAILSF_CUSTOM);
    EXPECT_FALSE(DetailsSetFlags(static_cast<ControlDetailsSet>(3)).has_value());
}

TEST(WinmmMixerRecords, LinesAndControlsKeepTheHostsNumbers) {
    // A recording destination as Wine shows it: the line ids and control ids are the host's.
    MIXERLINEW line{};
    line.dwDestination = 0;
    line.dwSource = 0;
    line.dwLineID = 0xFFFF0000;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    line.cChannels = 2;
    line.cConnections = 1;
    line.cControls = 2;
    wcscpy(line.szName, L"Master Volume");
    const MixerLine mapped = FromHostLine(line);
    EXPECT_EQ(mapped.lineId, 0xFFFF0000u);
    EXPECT_EQ(mapped.componentType, ComponentType::DstWaveIn);
    EXPECT_EQ(mapped.channels, 2u);
    EXPECT_EQ(mapped.connections, 1u);
    EXPECT_EQ(mapped.controls, 2u);
    EXPECT_EQ(mapped.name, "Master Volume");

    MIXERCONTROLW volume{};
    volume.dwControlID = 2;
    volume.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    volume.fdwControl = MIXERCONTROL_CONTROLF_UNIFORM;
    volume.Bounds.dwMinimum = 0;
    volume.Bounds.dwMaximum = 65535;
    wcscpy(volume.szName, L"Volume");
    const MixerControl control = FromHostControl(volume);
    EXPECT_EQ(control.controlId, 2u);
    EXPECT_EQ(control.controlType, ControlType::Volume);
    EXPECT_TRUE(control.IsUniform());
    EXPECT_FALSE(control.IsMultiple());
    EXPECT_EQ(control.maximum, 65535u);
    EXPECT_EQ(control.name, "Volume");

    MIXERCONTROLW pan{};
    pan.dwControlType = MIXERCONTROL_CONTROLTYPE_PAN;
    pan.Bounds.lMinimum = -32768;
    pan.Bounds.lMaximum = 32767;
    const MixerControl signedControl = FromHostControl(pan);
    ASSERT_TRUE(IsSignedControl(signedControl.controlType));
    EXPECT_EQ(static_cast<std::int32_t>(signedControl.minimum), -32768);
    EXPECT_EQ(static_cast<std::int32_t>(signedControl.maximum), 32767);

    MIXERCONTROLW mux{};
    mux.dwControlType = MIXERCONTROL_CONTROLTYPE_MUX;
    mux.fdwControl = MIXERCONTROL_CONTROLF_MULTIPLE | MIXERCONTROL_CONTROLF_UNIFORM;
    mux.cMultipleItems = 3;
    const MixerControl items = FromHostControl(mux);
    EXPECT_TRUE(items.IsMultiple());
    EXPECT_EQ(items.multipleItems, 3u);
}

TEST(WinmmMixerRecords, Results) {
    EXPECT_EQ(ToMixerResult(MMSYSERR_INVALHANDLE), MixerResult::InvalidHandle);
    EXPECT_EQ(ToMixerResult(MMSYSERR_NOTSUPPORTED), MixerResult::NotSupported);
    EXPECT_EQ(ToMixerResult(MIXERR_INVALLINE), MixerResult::InvalidLine);
    EXPECT_EQ(ToMixerResult(MIXERR_INVALCONTROL), MixerResult::InvalidControl);
    EXPECT_EQ(ToMixerResult(MIXERR_INVALVALUE), MixerResult::InvalidValue);
    EXPECT_EQ(ToMixerResult(MMSYSERR_HANDLEBUSY), MixerResult::Error);  // not a mixer result
    EXPECT_EQ(ToMixerResult(MIXERR_LASTERROR + 1), MixerResult::Error);
}

}  // namespace
