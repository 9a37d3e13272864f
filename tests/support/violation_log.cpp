#include "tests/support/violation_log.h"

#include "platform/sim/sim_sound_card.h"

namespace zav::test {

platform::sim::RuleViolationHandler ViolationLog::Handler(std::string_view source) {
    return [this, prefix = source.empty() ? std::string()
                                          : std::string(source) + ": "](std::string_view message) {
        std::lock_guard lock(mutex_);
        messages_.push_back(prefix + std::string(message));
    };
}

void ViolationLog::Attach(platform::sim::SimSoundCard& card) {
    card.SetViolationHandler(Handler());
}

std::size_t ViolationLog::Count() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

std::vector<std::string> ViolationLog::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::string ViolationLog::First() const {
    std::lock_guard lock(mutex_);
    return messages_.empty() ? std::string() : messages_.front();
}

}  // namespace zav::test
