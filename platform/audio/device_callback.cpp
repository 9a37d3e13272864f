#include "platform/audio/device_callback.h"

namespace zav::platform {

namespace {

// Callbacks do not nest in practice, but a depth keeps the marks right if one ever does.
thread_local int tWaveDepth = 0;
thread_local int tTimerDepth = 0;

int& DepthOf(CallbackKind kind) {
    return kind == CallbackKind::WaveDevice ? tWaveDepth : tTimerDepth;
}

}  // namespace

bool InDeviceCallback() {
    return tWaveDepth > 0;
}

bool InAnyCallback() {
    return tWaveDepth > 0 || tTimerDepth > 0;
}

CallbackScope::CallbackScope(CallbackKind kind) : kind_(kind) {
    ++DepthOf(kind_);
}

CallbackScope::~CallbackScope() {
    --DepthOf(kind_);
}

}  // namespace zav::platform
