// The pump's transfer between the stream's buffers and the device, its recovery from over- and
// underruns, and the end of a stream whose device has failed. Every function here runs with the
// core's mutex held, mostly on the device thread.

#include <algorithm>
#include <span>

#include "platform/alsa/alsa_pcm_pump.h"

namespace zav::platform::alsa {

namespace {

// Recoveries in a row without a successful transfer before the device counts as failed.
constexpr int kMaxRecoveries = 8;

}  // namespace

void AlsaPcmPump::TransferLocked() {
    if (direction_ == PcmDirection::Capture) {
        CaptureLocked();
    } else {
        PlaybackLocked();
    }
}

void AlsaPcmPump::CaptureLocked() {
    snd_pcm_t* pcm = pcm_.get();
    const unsigned frameBytes = settings_.frameBytes;
    // A mono stream on a two-channel device reads into scratch_ and averages into the buffer.
    const bool averaging = geometry_.deviceChannels > settings_.channels;
    const unsigned deviceFrameBytes = averaging ? 2 * frameBytes : frameBytes;
    while (stream_.Recording()) {
        snd_pcm_sframes_t avail = 0;
        if (const DeviceStep step = AvailableLocked(avail); step != DeviceStep::Proceed) {
            if (step == DeviceStep::Retry)
                continue;
            return;
        }
        // No buffer waiting: the samples are read into scratch_ and lost, as on the host.
        const std::span<std::uint8_t> room = stream_.CaptureRoom();
        std::uint8_t* target = room.empty() ? scratch_.data() : room.data();
        snd_pcm_uframes_t frames = scratch_.size() / deviceFrameBytes;
        if (!room.empty()) {
            const snd_pcm_uframes_t roomFrames = room.size() / frameBytes;
            frames = averaging ? std::min(roomFrames, frames) : roomFrames;
        }
        frames = std::min(frames, static_cast<snd_pcm_uframes_t>(avail));
        const snd_pcm_sframes_t got =
            snd_pcm_readi(pcm, averaging ? scratch_.data() : target, frames);
        if (const DeviceStep step = TransferredLocked(got, "snd_pcm_readi");
            step != DeviceStep::Proceed) {
            if (step == DeviceStep::Retry)
                continue;
            return;
        }
        if (room.empty())
            continue;
        if (averaging) {
            AverageChannels(scratch_.data(), target, static_cast<std::size_t>(got),
                            settings_.sampleFormat);
        }
        stream_.Captured(static_cast<std::uint32_t>(got) * frameBytes);
    }
}

void AlsaPcmPump::PlaybackLocked() {
    snd_pcm_t* pcm = pcm_.get();
    const unsigned frameBytes = settings_.frameBytes;
    while (!Failed()) {
        const std::span<const std::uint8_t> unwritten = stream_.Unwritten();
        if (unwritten.empty())
            break;
        snd_pcm_sframes_t avail = 0;
        if (const DeviceStep step = AvailableLocked(avail); step != DeviceStep::Proceed) {
            if (step == DeviceStep::Retry)
                continue;
            break;
        }
        const auto frames = std::min(static_cast<snd_pcm_uframes_t>(unwritten.size() / frameBytes),
                                     static_cast<snd_pcm_uframes_t>(avail));
        const snd_pcm_sframes_t put = snd_pcm_writei(pcm, unwritten.data(), frames);
        if (const DeviceStep step = TransferredLocked(put, "snd_pcm_writei");
            step != DeviceStep::Proceed) {
            if (step == DeviceStep::Retry)
                continue;
            break;
        }
        stream_.Wrote(static_cast<std::uint32_t>(put) * frameBytes);
        if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) {
            if (int err = snd_pcm_start(pcm); err < 0) {
                if (!RecoverLocked(err, "snd_pcm_start"))
                    return;
            }
        }
    }
    if (!Failed())
        ReportPlayedLocked();
}

void AlsaPcmPump::ReportPlayedLocked() {
    snd_pcm_t* pcm = pcm_.get();
    if (pcm == nullptr || stream_.WrittenBytes() == stream_.Position())
        return;
    const std::uint64_t written = stream_.WrittenBytes();
    snd_pcm_sframes_t delay = 0;
    const snd_pcm_state_t state = snd_pcm_state(pcm);
    if (state == SND_PCM_STATE_RUNNING || state == SND_PCM_STATE_PREPARED ||
        state == SND_PCM_STATE_DRAINING) {
        if (int err = snd_pcm_delay(pcm, &delay); err < 0) {
            // An underrun means the device has played everything; anything else leaves the
            // position where it was until the device answers again.
            if (err != -EPIPE)
                return;
            delay = 0;
        }
    }
    // An underrun (XRUN) has played everything as well; delay stays 0.
    const std::uint64_t pending = std::min<std::uint64_t>(
        static_cast<std::uint64_t>(std::max<snd_pcm_sframes_t>(delay, 0)) * settings_.frameBytes,
        written);
    stream_.Played(written - pending);
}

AlsaPcmPump::DeviceStep AlsaPcmPump::AvailableLocked(snd_pcm_sframes_t& avail) {
    avail = snd_pcm_avail_update(pcm_.get());
    if (avail < 0) {
        return RecoverLocked(static_cast<int>(avail), "snd_pcm_avail_update") ? DeviceStep::Retry
                                                                              : DeviceStep::Stop;
    }
    return avail == 0 ? DeviceStep::Stop : DeviceStep::Proceed;
}

AlsaPcmPump::DeviceStep AlsaPcmPump::TransferredLocked(snd_pcm_sframes_t result,
                                                       const char* operation) {
    if (result == -EAGAIN)
        return DeviceStep::Stop;
    if (result < 0)
        return RecoverLocked(static_cast<int>(result), operation) ? DeviceStep::Retry
                                                                  : DeviceStep::Stop;
    recoveries_ = 0;
    return DeviceStep::Proceed;
}

bool AlsaPcmPump::RecoverLocked(int error, const char* operation) {
    if (error == -EAGAIN)
        return true;
    if (++recoveries_ > kMaxRecoveries) {
        FailLocked(error, operation);
        return false;
    }
    if (error == -EPIPE && direction_ == PcmDirection::Playback) {
        // An underrun: whatever was written has been played.
        stream_.Played(stream_.WrittenBytes());
    }
    snd_pcm_t* pcm = pcm_.get();
    if (int err = snd_pcm_recover(pcm, error, 1); err < 0) {
        FailLocked(err, operation);
        return false;
    }
    if (direction_ == PcmDirection::Capture && stream_.Recording()) {
        if (int err = snd_pcm_start(pcm); err < 0) {
            FailLocked(err, "snd_pcm_start");
            return false;
        }
    }
    return true;
}

void AlsaPcmPump::FailLocked(int error, const char* operation) {
    // Later calls answer NoDriver; its error text tells what happened.
    errors_.RecordLostDevice(stream_.Handle(), error, operation);
    snd_pcm_drop(pcm_.get());
    stream_.Fail();
}

}  // namespace zav::platform::alsa
