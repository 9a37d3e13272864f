#include "platform/mixer/mixer_core.h"

#include <algorithm>
#include <utility>

namespace zav::platform {

MixerCore::MixerCore(std::unique_ptr<MixerBackend> backend, Dispatcher& dispatcher)
    : backend_(std::move(backend)),
      handles_(
          dispatcher,
          [this](MixerHandle mixer, std::uint32_t controlId, std::vector<std::uint32_t>& values) {
              return ReadAll(mixer, controlId, values);
          },
          backend_->EchoesWrites()) {}

MixerCore::~MixerCore() {
    for (MixerHandle handle : handles_.OpenHandles())
        handles_.Remove(handle);
    sessions_.clear();  // stops the sessions' own threads before the backend goes
}

std::uint32_t MixerCore::GetNumDevs() {
    return backend_->CountDevices();
}

MixerResult MixerCore::GetIdOfWaveIn(std::uint32_t waveInId, std::uint32_t& mixerId) {
    return backend_->MixerOfWaveIn(waveInId, mixerId);
}

MixerResult MixerCore::GetDevCaps(std::uint32_t deviceId, MixerCaps& caps) {
    return backend_->DeviceCaps(deviceId, caps);
}

MixerSession* MixerCore::SessionOf(MixerHandle mixer) const {
    auto found = sessions_.find(static_cast<std::uintptr_t>(mixer));
    return found == sessions_.end() ? nullptr : found->second.get();
}

MixerResult MixerCore::GetDevCaps(MixerHandle mixer, MixerCaps& caps) {
    const MixerSession* session = SessionOf(mixer);
    if (session == nullptr)
        return MixerResult::InvalidHandle;
    caps.name = session->Model().name;
    caps.destinations = static_cast<std::uint32_t>(session->Model().destinations.size());
    return MixerResult::NoError;
}

MixerResult MixerCore::Open(std::uint32_t deviceId, MixerNotificationSink* sink,
                            MixerHandle& handle) {
    handle = kNullMixer;
    // Only the dialog thread opens, so the next handle is still free once the session is made.
    const MixerHandle opening = handles_.Next();
    MixerChangeReport report;
    if (sink != nullptr) {
        report = [this, opening](MixerChange change, std::uint32_t id) {
            handles_.SystemChange(opening, change, id);
        };
    }
    std::unique_ptr<MixerSession> session;
    if (MixerResult opened = backend_->OpenSession(deviceId, std::move(report), session);
        opened != MixerResult::NoError) {
        return opened;
    }
    sessions_[static_cast<std::uintptr_t>(opening)] = std::move(session);
    handle = handles_.Add(deviceId, sink);
    return MixerResult::NoError;
}

MixerResult MixerCore::Close(MixerHandle mixer) {
    if (!handles_.Remove(mixer))
        return MixerResult::InvalidHandle;
    sessions_.erase(static_cast<std::uintptr_t>(mixer));
    return MixerResult::NoError;
}

MixerResult MixerCore::GetLineInfo(MixerHandle mixer, LineInfoQuery query, MixerLine& line) {
    const MixerSession* session = SessionOf(mixer);
    if (session == nullptr)
        return MixerResult::InvalidHandle;
    return AnswerLineInfo(session->Model(), query, line);
}

MixerResult MixerCore::GetLineControls(MixerHandle mixer, LineControlsQuery query,
                                       MixerLineControls& request) {
    const MixerSession* session = SessionOf(mixer);
    if (session == nullptr)
        return MixerResult::InvalidHandle;
    return AnswerLineControls(session->Model(), query, request);
}

MixerResult MixerCore::Shaped(MixerSession& session, const MixerControlDetails& details,
                              ModelControl& at) const {
    const std::optional<ModelControl> found = FindControl(session.Model(), details.controlId);
    if (!found)
        return MixerResult::InvalidControl;
    at = *found;
    return CheckDetailsShape(at.line->channels, *at.control, details);
}

MixerResult MixerCore::GetControlDetails(MixerHandle mixer, ControlDetailsQuery query,
                                         MixerControlDetails& details) {
    MixerSession* session = SessionOf(mixer);
    if (session == nullptr)
        return MixerResult::InvalidHandle;
    if (query == ControlDetailsQuery::ListText)
        return MixerResult::NotSupported;  // the buffer holds numbers only
    if (query != ControlDetailsQuery::Value)
        return MixerResult::InvalidFlag;
    ModelControl at;
    if (MixerResult shaped = Shaped(*session, details, at); shaped != MixerResult::NoError)
        return shaped;
    std::vector<std::uint32_t> values;
    if (MixerResult read = session->Read(at, values); read != MixerResult::NoError)
        return read;
    const ValueShape stored = at.Shape();
    values.resize(static_cast<std::size_t>(stored.Count()), 0);
    // Item by item, the first details.channels channels of each.
    for (std::uint32_t item = 0; item < stored.items; ++item) {
        for (std::uint32_t channel = 0; channel < details.channels; ++channel) {
            details.details[item * details.channels + channel] =
                values[item * stored.channels + channel];
        }
    }
    return MixerResult::NoError;
}

MixerResult MixerCore::SetControlDetails(MixerHandle mixer, ControlDetailsSet how,
                                         const MixerControlDetails& details) {
    MixerSession* session = SessionOf(mixer);
    if (session == nullptr)
        return MixerResult::InvalidHandle;
    if (how == ControlDetailsSet::Custom)
        return MixerResult::NotSupported;
    if (how != ControlDetailsSet::Value)
        return MixerResult::InvalidFlag;
    ModelControl at;
    if (MixerResult shaped = Shaped(*session, details, at); shaped != MixerResult::NoError)
        return shaped;
    const auto given = details.details.first(static_cast<std::size_t>(details.Addressed()));
    if (MixerResult bounded = CheckBounds(*at.control, given); bounded != MixerResult::NoError)
        return bounded;
    const ValueShape stored = at.Shape();
    MixerResult written = MixerResult::NoError;
    if (details.channels == 1 && stored.channels > 1) {
        // One channel on a non-uniform control sets every channel alike.
        std::vector<std::uint32_t> spread;
        for (std::uint32_t value : given)
            spread.insert(spread.end(), stored.channels, value);
        written = session->Write(at, spread, stored.channels);
    } else {
        written = session->Write(at, given, details.channels);
    }
    if (written == MixerResult::NoError)
        handles_.AnnounceWrite(mixer, details.controlId);
    return written;
}

void MixerCore::DeviceChange(std::uint32_t deviceId, MixerChange change, std::uint32_t id) {
    handles_.DeviceChange(deviceId, change, id);
}

bool MixerCore::ReadAll(MixerHandle mixer, std::uint32_t controlId,
                        std::vector<std::uint32_t>& values) {
    MixerSession* session = SessionOf(mixer);
    if (session == nullptr)
        return false;
    const std::optional<ModelControl> at = FindControl(session->Model(), controlId);
    return at && session->Read(*at, values) == MixerResult::NoError;
}

}  // namespace zav::platform
