#pragma once
// The host mixer's numeric constants: result codes, line component types, control types and
// flags, and the query selectors of each call. They keep the host's numbers so that code using
// them can be compared with the host's documentation line by line.

#include <cstdint>

namespace zav::platform {

// Results of every mixer call (MMSYSERR_* and MIXERR_*).
enum class MixerResult : std::uint32_t {
    NoError = 0,            // MMSYSERR_NOERROR
    Error = 1,              // MMSYSERR_ERROR: unspecified failure
    BadDeviceId = 2,        // MMSYSERR_BADDEVICEID
    NotEnabled = 3,         // MMSYSERR_NOTENABLED
    Allocated = 4,          // MMSYSERR_ALLOCATED: the device is in use
    InvalidHandle = 5,      // MMSYSERR_INVALHANDLE: closed or unknown mixer handle
    NoDriver = 6,           // MMSYSERR_NODRIVER
    NoMemory = 7,           // MMSYSERR_NOMEM
    NotSupported = 8,       // MMSYSERR_NOTSUPPORTED
    InvalidFlag = 10,       // MMSYSERR_INVALFLAG: unknown query selector
    InvalidParam = 11,      // MMSYSERR_INVALPARAM: sizes, counts or indexes out of range
    InvalidLine = 1024,     // MIXERR_INVALLINE: no such line
    InvalidControl = 1025,  // MIXERR_INVALCONTROL: no such control
    InvalidValue = 1026,    // MIXERR_INVALVALUE: a value outside the control's bounds
};

// dwComponentType of a line. Destinations count from DST_FIRST (0), sources from SRC_FIRST
// (0x1000).
enum class ComponentType : std::uint32_t {
    DstUndefined = 0x0000,
    DstDigital = 0x0001,
    DstLine = 0x0002,
    DstMonitor = 0x0003,
    DstSpeakers = 0x0004,
    DstHeadphones = 0x0005,
    DstTelephone = 0x0006,
    DstWaveIn = 0x0007,  // the recording destination
    DstVoiceIn = 0x0008,
    SrcUndefined = 0x1000,
    SrcDigital = 0x1001,
    SrcLine = 0x1002,
    SrcMicrophone = 0x1003,
    SrcSynthesizer = 0x1004,
    SrcCompactDisc = 0x1005,
    SrcTelephone = 0x1006,
    SrcPcSpeaker = 0x1007,
    SrcWaveOut = 0x1008,
    SrcAuxiliary = 0x1009,
    SrcAnalog = 0x100A,
};

// dwControlType of a control: class, subclass and units bits combined as the host does.
enum class ControlType : std::uint32_t {
    Custom = 0x00000000,
    BooleanMeter = 0x10010000,
    SignedMeter = 0x10020000,
    PeakMeter = 0x10020001,
    UnsignedMeter = 0x10030000,
    Boolean = 0x20010000,
    OnOff = 0x20010001,
    Mute = 0x20010002,
    Mono = 0x20010003,
    Loudness = 0x20010004,
    StereoEnhance = 0x20010005,
    Button = 0x21010000,
    Signed = 0x30020000,
    Unsigned = 0x30030000,
    Decibels = 0x30040000,
    Percent = 0x30050000,
    Slider = 0x40020000,
    Pan = 0x40020001,
    QSoundPan = 0x40020002,
    Fader = 0x50030000,
    Volume = 0x50030001,
    Bass = 0x50030002,
    Treble = 0x50030003,
    Equalizer = 0x50030004,
    SingleSelect = 0x70010000,
    Mux = 0x70010001,
    MultipleSelect = 0x71010000,
    Mixer = 0x71010001,
    MicroTime = 0x60030000,
    MilliTime = 0x61030000,
};

// True for controls whose values and bounds are signed 32-bit numbers (signed and decibel
// units); all others hold unsigned or boolean values.
constexpr bool IsSignedControl(ControlType type) {
    constexpr std::uint32_t kUnitsMask = 0x00FF0000;
    constexpr std::uint32_t kUnitsSigned = 0x00020000;
    constexpr std::uint32_t kUnitsDecibels = 0x00040000;
    const std::uint32_t units = static_cast<std::uint32_t>(type) & kUnitsMask;
    return units == kUnitsSigned || units == kUnitsDecibels;
}

// fdwControl bits of a control (MIXERCONTROL_CONTROLF_*).
enum ControlFlag : std::uint32_t {
    kControlUniform = 0x00000001,   // one value serves all channels
    kControlMultiple = 0x00000002,  // cMultipleItems values per channel
    kControlDisabled = 0x80000000,
};

// Selectors of GetLineInfo (MIXER_GETLINEINFOF_*).
enum class LineInfoQuery : std::uint32_t {
    Destination = 0,    // by MixerLine::destination
    Source = 1,         // by MixerLine::destination and MixerLine::source
    LineId = 2,         // by MixerLine::lineId
    ComponentType = 3,  // the first line of MixerLine::componentType
};

// Selectors of GetLineControls (MIXER_GETLINECONTROLSF_*).
enum class LineControlsQuery : std::uint32_t {
    All = 0,        // every control of MixerLineControls::lineId
    OneById = 1,    // the control MixerLineControls::controlId
    OneByType = 2,  // the first control of MixerLineControls::controlType on the line
};

// Selectors of GetControlDetails (MIXER_GETCONTROLDETAILSF_*).
enum class ControlDetailsQuery : std::uint32_t {
    Value = 0,     // the control's values
    ListText = 1,  // the item names of a multiple-item control
};

// Selectors of SetControlDetails (MIXER_SETCONTROLDETAILSF_*).
enum class ControlDetailsSet : std::uint32_t {
    Value = 0,
    Custom = 1,
};

// The notifications a mixer sends to its callback target, with the host's message numbers.
enum class MixerChange : std::uint32_t {
    Line = 0x3D0,     // MM_MIXM_LINE_CHANGE: a line's state changed
    Control = 0x3D1,  // MM_MIXM_CONTROL_CHANGE: a control's value changed
};

}  // namespace zav::platform
