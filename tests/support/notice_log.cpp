#include "tests/support/notice_log.h"

namespace zav::test {

using platform::WaveHeader;
using platform::WaveMessage;

void NoticeLog::Add(WaveMessage message, WaveHeader* header) {
    std::lock_guard lock(mutex_);
    entries_.push_back({message, header, std::chrono::steady_clock::now()});
}

platform::WaveInCallback NoticeLog::InCallback() {
    return [this](platform::WaveInHandle, WaveMessage message, WaveHeader* header) {
        Add(message, header);
    };
}

platform::WaveOutCallback NoticeLog::OutCallback() {
    return [this](platform::WaveOutHandle, WaveMessage message, WaveHeader* header) {
        Add(message, header);
    };
}

std::size_t NoticeLog::Count(WaveMessage message) const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const Entry& entry : entries_)
        count += entry.message == message ? 1 : 0;
    return count;
}

std::vector<WaveMessage> NoticeLog::Messages() const {
    std::lock_guard lock(mutex_);
    std::vector<WaveMessage> messages;
    for (const Entry& entry : entries_)
        messages.push_back(entry.message);
    return messages;
}

std::chrono::steady_clock::time_point NoticeLog::LastTime() const {
    std::lock_guard lock(mutex_);
    return entries_.empty() ? std::chrono::steady_clock::time_point{} : entries_.back().time;
}

}  // namespace zav::test
