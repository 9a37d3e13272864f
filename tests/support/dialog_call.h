#pragma once
// Calls from a test's own thread into a dialog thread that runs by itself (a DialogThread, or the
// window backend's thread while a dialog runs), bounded in time: a dialog thread that does not
// answer within the limit ends the test program with a message, as a hung dialog would, instead
// of hanging the run.
//
// Thread: any but inside a device or timer callback; on the dialog thread the call runs inline.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

#include "platform/ui/dispatcher.h"

namespace zav::test {

inline constexpr std::chrono::milliseconds kDialogAnswerLimit = std::chrono::seconds(10);

// Runs task on the dialog thread and waits for it, at most limit. False when the dispatcher
// dropped the task unrun (it was going away).
inline bool SendWithin(platform::Dispatcher& dispatcher, const std::function<void()>& task,
                       std::chrono::milliseconds limit = kDialogAnswerLimit) {
    if (dispatcher.OnDialogThread()) {
        task();
        return true;
    }
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    dispatcher.Post([&task, done] {
        task();
        done->set_value();
    });
    if (finished.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr, "FAILED: the dialog thread did not answer within %lld ms\n",
                     static_cast<long long>(limit.count()));
        std::abort();
    }
    try {
        finished.get();
        return true;
    } catch (const std::future_error&) {
        return false;  // the task went without having run
    }
}

// What ask gives on the dialog thread, asked as SendWithin runs a task; a value-initialised
// result when the task was dropped.
template <class Ask>
std::invoke_result_t<Ask&> AskWithin(platform::Dispatcher& dispatcher, Ask&& ask,
                                     std::chrono::milliseconds limit = kDialogAnswerLimit) {
    std::optional<std::invoke_result_t<Ask&>> answer;
    SendWithin(
        dispatcher, [&] { answer.emplace(ask()); }, limit);
    return answer ? std::move(*answer) : std::invoke_result_t<Ask&>{};
}

}  // namespace zav::test
