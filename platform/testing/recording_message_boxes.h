#pragma once
// A message-box service for tests: keeps every box shown and answers with a scripted button.

#include <deque>
#include <string>
#include <vector>

#include "platform/ui/message_box.h"

namespace zav::platform::sim {

struct ShownMessage {
    std::string text;
    std::string caption;
    MessageStyle style;
};

class RecordingMessageBoxes : public MessageBoxes {
  public:
    MessageAnswer Show(std::string_view text, std::string_view caption,
                       MessageStyle style) override {
        shown.push_back({std::string(text), std::string(caption), style});
        if (answers.empty())
            return MessageAnswer::Ok;
        MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<ShownMessage> shown;
    std::deque<MessageAnswer> answers;  // taken in order; Ok once they run out
};

}  // namespace zav::platform::sim
