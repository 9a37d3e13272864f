#pragma once
// The host's handle and notice rules of a mixer, written once for every backend: handles
// numbered from 0x1000 and never reused (so a closed one is recognised), the sink given to
// Open, and the change notices, which are posted to the dialog thread and dropped there when
// their handle has been closed meanwhile.
//
// Once per change. A write made through a mixer is announced by the mixer itself (AnnounceWrite)
// to every open handle of that device, since not every system tells the program that made it
// (a sound server does not, Wine does not). A system that does tell sends its own notice for
// the same control as well (SystemChange): with echoesWrites, a handle's system notices for a
// control after an announced write re-read the control and are merged with the write (dropped)
// while the values are still those the write left. So a sink hears a write once
// whether or not the system echoes it; a system notice that brings other values is a change of
// its own and is delivered. A notice the system never sends leaves nothing behind that could
// hide a later change: the values it was compared with are the ones the sink already heard of.
//
// Thread: Add, Remove and AnnounceWrite on the dialog thread (as the Mixer calls); SystemChange,
// DeviceChange and the inspection from any thread. Sinks and the reader are called on the
// dialog thread, from posted tasks, with no lock held.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/mixer/mixer.h"
#include "platform/ui/dispatcher.h"
#include "platform/ui/scoped_poster.h"

namespace zav::platform {

class MixerHandles {
  public:
    // Reads every value of a control (the ShapeOfValues layout) through an open handle; false
    // when it cannot. Called on the dialog thread, outside any Mixer call.
    using ValueReader = std::function<bool(MixerHandle handle, std::uint32_t controlId,
                                           std::vector<std::uint32_t>& values)>;

    // echoesWrites: the system may send notices for writes made through this mixer.
    MixerHandles(Dispatcher& dispatcher, ValueReader reader, bool echoesWrites);
    MixerHandles(const MixerHandles&) = delete;
    MixerHandles& operator=(const MixerHandles&) = delete;

    // The handle the next Add gives.
    MixerHandle Next() const;
    MixerHandle Add(std::uint32_t deviceId, MixerNotificationSink* sink);
    // False when handle is not open. Its notices still queued are dropped.
    bool Remove(MixerHandle handle);
    std::optional<std::uint32_t> DeviceOf(MixerHandle handle) const;
    std::vector<MixerHandle> OpenHandles() const;

    // A write through writer changed controlId: every open handle of its device hears of it.
    void AnnounceWrite(MixerHandle writer, std::uint32_t controlId);
    // The system reports a change on one handle, or on every handle of a device.
    void SystemChange(MixerHandle handle, MixerChange change, std::uint32_t id);
    void DeviceChange(std::uint32_t deviceId, MixerChange change, std::uint32_t id);

  private:
    struct Open {
        std::uint32_t deviceId = 0;
        MixerNotificationSink* sink = nullptr;
        // By control id: the values an announced write left, until a system notice is matched.
        std::map<std::uint32_t, std::vector<std::uint32_t>> written;
    };

    std::vector<std::uintptr_t> ListenersLocked(std::uint32_t deviceId) const;
    void Post(std::uintptr_t handle, MixerChange change, std::uint32_t id, bool fromSystem);
    void Deliver(std::uintptr_t handle, MixerChange change, std::uint32_t id, bool fromSystem);

    const ValueReader read_;
    const bool echoesWrites_;
    mutable std::mutex mutex_;
    std::map<std::uintptr_t, Open> open_;
    std::uintptr_t next_ = 0x1000;  // apart from device numbers; never reused
    ScopedPoster notices_;          // notices still queued when the table goes are dropped
};

// Reads every value of a control through the public calls of mixer (finding its line for the
// channel count): a ValueReader for a backend whose system answers the queries itself.
bool ReadControlValues(Mixer& mixer, MixerHandle handle, std::uint32_t controlId,
                       std::vector<std::uint32_t>& values);

}  // namespace zav::platform
