// The stream's transfer between the program's buffers and the device, its recovery from
// over- and underruns, and the end of a stream whose device has failed. Every function here
// runs with the stream's lock held, mostly on the device thread.

#include <algorithm>

#include "platform/alsa/alsa_pcm_stream.h"

namespace zav::platform::alsa {

namespace {

// Recoveries in a row without a successful transfer before the device counts as failed.
constexpr int kMaxRecoveries = 8;

}  // namespace

void AlsaPcmStream::TransferLocked() {
    if (direction_ == PcmDirection::Capture) {
        CaptureLocked();
    } else {
        PlaybackLocked();
    }
}

void AlsaPcmStream::CaptureLocked() {
    snd_pcm_t* pcm = pcm_.get();
    const unsigned frameBytes = settings_.frameBytes;
    while (running_ && !failed_) {
        snd_pcm_sframes_t avail = 0;
        if (const DeviceStep step = AvailableLocked(avail); step != DeviceStep::Proceed) {
            if (step == DeviceStep::Retry)
                continue;
            return;
        }
        std::uint8_t* target = scratch_.data();
        snd_pcm_uframes_t frames = scratch_.size() / frameBytes;
        WaveHeader* header = queue_.empty() ? nullptr : queue_.front();
        if (header != nullptr) {
            const std::uint32_t room = (header->bufferLength - header->bytesRecorded) / frameBytes;
            if (room == 0) {
                ReturnLocked(header);  // too short for a single frame: full as it is
                continue;
            }
            target = header->data + header->bytesRecorded;
            frames = room;
        }
        frames = std::min(frames, static_cast<snd_pcm_uframes_t>(avail));
        const snd_pcm_sframes_t got = snd_pcm_readi(pcm, target, frames);
        if (const DeviceStep step = TransferredLocked(got, "snd_pcm_readi");
            step != DeviceStep::Proceed) {
            if (step == DeviceStep::Retry)
                continue;
            return;
        }
        if (header == nullptr)
            continue;  // no buffer waiting: the samples are lost, as on the host
        const auto bytes = static_cast<std::uint32_t>(got) * frameBytes;
        header->bytesRecorded += bytes;
        position_ += bytes;
        if (header->bufferLength - header->bytesRecorded < frameBytes)
            ReturnLocked(header);
    }
}

void AlsaPcmStream::PlaybackLocked() {
    snd_pcm_t* pcm = pcm_.get();
    const unsigned frameBytes = settings_.frameBytes;
    // Stopping here on a failure is the same as returning: the failure has set failed_, so
    // nothing below the loop runs.
    while (!failed_ && !queue_.empty()) {
        snd_pcm_sframes_t avail = 0;
        if (const DeviceStep step = AvailableLocked(avail); step != DeviceStep::Proceed) {
            if (step == DeviceStep::Retry)
                continue;
            break;
        }
        WaveHeader& header = *queue_.front();
        const std::uint32_t left = (header.bufferLength - headOffset_) / frameBytes;
        if (left == 0) {
            FinishWritingFrontLocked();
            continue;
        }
        const auto frames =
            std::min(static_cast<snd_pcm_uframes_t>(left), static_cast<snd_pcm_uframes_t>(avail));
        const snd_pcm_sframes_t put = snd_pcm_writei(pcm, header.data + headOffset_, frames);
        if (const DeviceStep step = TransferredLocked(put, "snd_pcm_writei");
            step != DeviceStep::Proceed) {
            if (step == DeviceStep::Retry)
                continue;
            break;
        }
        const auto bytes = static_cast<std::uint32_t>(put) * frameBytes;
        headOffset_ += bytes;
        position_ += bytes;
        if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED) {
            if (int err = snd_pcm_start(pcm); err < 0) {
                if (!RecoverLocked(err, "snd_pcm_start"))
                    return;
            }
        }
        if (header.bufferLength - headOffset_ < frameBytes)
            FinishWritingFrontLocked();
    }
    if (!failed_)
        CompletePlayedLocked();
}

void AlsaPcmStream::FinishWritingFrontLocked() {
    written_.push_back(Written{queue_.front(), position_});
    queue_.pop_front();
    headOffset_ = 0;
}

std::uint64_t AlsaPcmStream::PlayedLocked() {
    snd_pcm_t* pcm = pcm_.get();
    if (pcm == nullptr || failed_)
        return played_;
    const std::uint64_t frameBytes = settings_.frameBytes;
    snd_pcm_sframes_t delay = 0;
    const snd_pcm_state_t state = snd_pcm_state(pcm);
    if (state == SND_PCM_STATE_RUNNING || state == SND_PCM_STATE_PREPARED ||
        state == SND_PCM_STATE_DRAINING) {
        if (int err = snd_pcm_delay(pcm, &delay); err < 0) {
            // An underrun means the device has played everything; anything else leaves the
            // position where it was until the device answers again.
            if (err != -EPIPE)
                return played_;
            delay = 0;
        }
    }
    // An underrun (XRUN) has played everything as well; delay stays 0.
    const std::uint64_t pending = std::min<std::uint64_t>(
        static_cast<std::uint64_t>(std::max<snd_pcm_sframes_t>(delay, 0)) * frameBytes, position_);
    played_ = std::max(played_, position_ - pending);
    return played_;
}

void AlsaPcmStream::CompletePlayedLocked() {
    if (written_.empty())
        return;
    const std::uint64_t played = PlayedLocked();
    while (!written_.empty() && written_.front().end <= played)
        ReturnWrittenFrontLocked();
}

AlsaPcmStream::DeviceStep AlsaPcmStream::AvailableLocked(snd_pcm_sframes_t& avail) {
    avail = snd_pcm_avail_update(pcm_.get());
    if (avail < 0) {
        return RecoverLocked(static_cast<int>(avail), "snd_pcm_avail_update") ? DeviceStep::Retry
                                                                              : DeviceStep::Stop;
    }
    return avail == 0 ? DeviceStep::Stop : DeviceStep::Proceed;
}

AlsaPcmStream::DeviceStep AlsaPcmStream::TransferredLocked(snd_pcm_sframes_t result,
                                                           const char* operation) {
    if (result == -EAGAIN)
        return DeviceStep::Stop;
    if (result < 0)
        return RecoverLocked(static_cast<int>(result), operation) ? DeviceStep::Retry
                                                                  : DeviceStep::Stop;
    recoveries_ = 0;
    return DeviceStep::Proceed;
}

bool AlsaPcmStream::RecoverLocked(int error, const char* operation) {
    if (error == -EAGAIN)
        return true;
    if (++recoveries_ > kMaxRecoveries) {
        FailLocked(error, operation);
        return false;
    }
    if (error == -EPIPE && direction_ == PcmDirection::Playback) {
        // An underrun: whatever was written has been played.
        played_ = position_;
        CompletePlayedLocked();
    }
    snd_pcm_t* pcm = pcm_.get();
    if (int err = snd_pcm_recover(pcm, error, 1); err < 0) {
        FailLocked(err, operation);
        return false;
    }
    if (direction_ == PcmDirection::Capture && running_) {
        if (int err = snd_pcm_start(pcm); err < 0) {
            FailLocked(err, "snd_pcm_start");
            return false;
        }
    }
    return true;
}

void AlsaPcmStream::FailLocked(int error, const char* operation) {
    // Later calls answer NoDriver; its error text tells what happened.
    errors_.RecordLostDevice(error, operation);
    failed_ = true;
    running_ = false;
    snd_pcm_drop(pcm_.get());
    ReturnAllLocked();
}

}  // namespace zav::platform::alsa
