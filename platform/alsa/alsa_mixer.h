#pragma once
// The host's mixer on ALSA. Mixer device 0 is the system's default control device (through a
// sound server: the server's default source as the microphone), then one device per sound card
// ("hw:N"). Each device shows one recording destination; see alsa_mixer_layout.h for its lines
// and controls and alsa_mixer_session.h for the change notifications.
//
// Thread: every Mixer call on the dialog thread, as mixer.h says; the notifications reach the
// sinks through the dispatcher given here, which must outlive the mixer.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/alsa/alsa_error.h"
#include "platform/alsa/alsa_mixer_session.h"
#include "platform/mixer/mixer.h"
#include "platform/ui/dispatcher.h"

namespace zav::platform::alsa {

class AlsaMixer final : public Mixer {
  public:
    explicit AlsaMixer(Dispatcher& dispatcher);
    // Closes the handles still open.
    ~AlsaMixer() override;
    AlsaMixer(const AlsaMixer&) = delete;
    AlsaMixer& operator=(const AlsaMixer&) = delete;

    std::uint32_t GetNumDevs() override;
    // The wave mapper records from the default device, whose mixer is the default control
    // device (a sound server's default source): mixer 0 when it is listed. Other wave-input
    // numbers are not mapped (NotSupported).
    MixerResult GetIdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) override;
    MixerResult GetDevCaps(std::uint32_t deviceId, MixerCaps& caps) override;
    MixerResult GetDevCaps(MixerHandle mixer, MixerCaps& caps) override;
    MixerResult Open(std::uint32_t deviceId, MixerNotificationSink* sink,
                     MixerHandle& handle) override;
    MixerResult Close(MixerHandle mixer) override;
    MixerResult GetLineInfo(MixerHandle mixer, LineInfoQuery query, MixerLine& line) override;
    MixerResult GetLineControls(MixerHandle mixer, LineControlsQuery query,
                                MixerLineControls& request) override;
    MixerResult GetControlDetails(MixerHandle mixer, ControlDetailsQuery query,
                                  MixerControlDetails& details) override;
    MixerResult SetControlDetails(MixerHandle mixer, ControlDetailsSet how,
                                  const MixerControlDetails& details) override;

  private:
    struct Device {
        std::string name;      // what snd_mixer_attach takes
        std::string cardName;  // what MixerCaps shows
    };
    // The devices, listed afresh.
    std::vector<Device> ListDevices() const;
    AlsaMixerSession* Find(MixerHandle mixer) const;

    Dispatcher& dispatcher_;
    std::vector<Device> devices_;
    bool listed_ = false;
    std::map<std::uintptr_t, std::unique_ptr<AlsaMixerSession>> sessions_;
    std::uintptr_t nextHandle_ = 0x1000;  // apart from device numbers; never reused
};

}  // namespace zav::platform::alsa
