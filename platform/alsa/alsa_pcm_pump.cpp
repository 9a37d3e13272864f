// The pump's wave-call side and its device thread. The transfer between buffers and device is
// in alsa_pcm_transfer.cpp.

#include "platform/alsa/alsa_pcm_pump.h"

#include <pthread.h>

#include <algorithm>
#include <utility>

namespace zav::platform::alsa {

namespace {

// How long a playback thread sleeps in poll() at most; it also bounds how late a played buffer
// is noticed when the device does not wake the poll by itself.
constexpr int kPollTimeoutMs = 10;
// A capture thread sleeps until the device has a period for it (avail_min) or the wave calls
// wake it. Its timeout only covers a device whose poll does not wake (the PulseAudio plugin's
// does not always): one period, and never more than a quarter of the device's buffer, so that
// the buffer cannot overrun while the thread sleeps.
int PollTimeoutMs(PcmDirection direction, const PcmGeometry& geometry,
                  const PcmSettings& settings) {
    if (direction != PcmDirection::Capture || geometry.periodFrames == 0 || settings.rate == 0)
        return kPollTimeoutMs;
    const auto periodMs = static_cast<int>(geometry.periodFrames * 1000 / settings.rate);
    const auto bufferMs = static_cast<int>(geometry.bufferFrames * 1000 / settings.rate);
    return std::max(kPollTimeoutMs, std::min(periodMs, bufferMs / 4));
}

PcmDirection DirectionOf(const WaveStream& stream) {
    return stream.Direction() == WaveDirection::In ? PcmDirection::Capture : PcmDirection::Playback;
}

}  // namespace

AlsaPcmPump::AlsaPcmPump(WaveStream& stream, PcmPtr pcm, const PcmSettings& settings,
                         const PcmGeometry& geometry, AlsaErrorLog& errors)
    : stream_(stream),
      mutex_(stream.Mutex()),
      direction_(DirectionOf(stream)),
      settings_(settings),
      geometry_(geometry),
      errors_(errors),
      pcm_(std::move(pcm)) {
    if (direction_ == PcmDirection::Capture) {
        const snd_pcm_uframes_t frames = geometry_.periodFrames > 0 ? geometry_.periodFrames : 1024;
        // Whole device frames: a mono stream may read two channels (PcmGeometry).
        const unsigned channels = std::max(geometry_.deviceChannels, settings_.channels);
        scratch_.resize(frames * settings_.frameBytes / settings_.channels * channels);
    }
    thread_.Start(
        mutex_, [this] { Wake(); }, [this] { Run(); });
}

AlsaPcmPump::~AlsaPcmPump() {
    Shutdown();
}

void AlsaPcmPump::Shutdown() {
    thread_.Stop();
    // The device thread has gone and the stream is closing: nobody else touches the device.
    if (pcm_) {
        snd_pcm_drop(pcm_.get());
        pcm_.reset();
    }
    errors_.ForgetHandle(stream_.Handle());
}

MmResult AlsaPcmPump::Start() {
    if (direction_ != PcmDirection::Capture)
        return MmResult::NotSupported;
    snd_pcm_t* pcm = pcm_.get();
    if (snd_pcm_state(pcm) != SND_PCM_STATE_PREPARED) {
        if (int err = snd_pcm_prepare(pcm); err < 0)
            return errors_.Record(err, "snd_pcm_prepare", AlsaStep::Use);
    }
    if (int err = snd_pcm_start(pcm); err < 0)
        return errors_.Record(err, "snd_pcm_start", AlsaStep::Use);
    recoveries_ = 0;
    return MmResult::NoError;
}

MmResult AlsaPcmPump::Stop() {
    if (direction_ != PcmDirection::Capture)
        return MmResult::NotSupported;
    CaptureLocked();  // what the device has recorded so far still goes into the buffer
    if (!Failed())
        RestartDeviceLocked("stopping the device");
    return MmResult::NoError;
}

void AlsaPcmPump::Reset() {
    RestartDeviceLocked("resetting the device");
}

void AlsaPcmPump::CatchUp() {
    if (direction_ == PcmDirection::Capture) {
        // What the device holds already belongs to the position: fetch it into the buffer.
        if (stream_.Recording())
            CaptureLocked();
        return;
    }
    ReportPlayedLocked();
}

void AlsaPcmPump::Wake() {
    changed_.notify_all();
    wake_.Signal();
}

void AlsaPcmPump::Run() {
    // Named so that per-thread figures (top -H, /proc/PID/task) tell the pumps apart.
    pthread_setname_np(pthread_self(),
                       direction_ == PcmDirection::Capture ? "zav-capture" : "zav-playback");
    std::unique_lock lock(mutex_);
    while (!thread_.StopRequested()) {
        if (WantsDeviceLocked()) {
            TransferLocked();
            if (WantsDeviceLocked())
                WaitForDeviceLocked(lock);
        } else {
            changed_.wait(lock, [this] { return WantsDeviceLocked() || thread_.StopRequested(); });
        }
    }
}

bool AlsaPcmPump::WantsDeviceLocked() const {
    if (!pcm_)
        return false;
    switch (stream_.State()) {
        case StreamState::Failed:
        case StreamState::Closing:
            return false;
        case StreamState::Open:
            return direction_ == PcmDirection::Playback && stream_.QueuedCount() > 0;
        case StreamState::Started:
            return true;
    }
    return false;
}

void AlsaPcmPump::WaitForDeviceLocked(std::unique_lock<std::mutex>& lock) {
    snd_pcm_t* pcm = pcm_.get();
    const int count = snd_pcm_poll_descriptors_count(pcm);
    const std::size_t pcmFds = count > 0 ? static_cast<std::size_t>(count) : 0;
    pollFds_.assign(pcmFds + 1, pollfd{});
    if (pcmFds > 0)
        snd_pcm_poll_descriptors(pcm, pollFds_.data(), static_cast<unsigned>(pcmFds));
    pollFds_[pcmFds] = pollfd{wake_.Fd(), POLLIN, 0};
    lock.unlock();
    ::poll(pollFds_.data(), pollFds_.size(), PollTimeoutMs(direction_, geometry_, settings_));
    lock.lock();
    wake_.Clear();
    if (pcm_ && pcmFds > 0) {
        // Lets the device's plugin take note of the wake-up (some signal through a pipe that
        // must be drained); the transfer then asks the device itself what is available.
        unsigned short revents = 0;
        snd_pcm_poll_descriptors_revents(pcm_.get(), pollFds_.data(), static_cast<unsigned>(pcmFds),
                                         &revents);
    }
}

bool AlsaPcmPump::RestartDeviceLocked(const char* operation) {
    snd_pcm_t* pcm = pcm_.get();
    snd_pcm_drop(pcm);
    if (int err = snd_pcm_prepare(pcm); err < 0) {
        FailLocked(err, operation);
        return false;
    }
    return true;
}

}  // namespace zav::platform::alsa
