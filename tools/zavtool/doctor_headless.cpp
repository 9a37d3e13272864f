#include "tools/zavtool/doctor_headless.h"

namespace zavtool {

void HeadlessDispatcher::Post(Task) {}

bool HeadlessDispatcher::DoSend(Task task) {
    task();
    return true;
}

bool HeadlessView::IsControlEnabled(int id) const {
    const auto found = enabled_.find(id);
    return found == enabled_.end() || found->second;
}

int HeadlessView::GetSliderPos(int id) const {
    const auto found = positions_.find(id);
    return found == positions_.end() ? 0 : found->second;
}

int HeadlessView::GetSliderRangeMax(int id) const {
    const auto found = rangeMax_.find(id);
    return found == rangeMax_.end() ? 0 : found->second;
}

zav::platform::MessageAnswer HeadlessView::Show(std::string_view text, std::string_view,
                                                zav::platform::MessageStyle) {
    shown_.emplace_back(text);
    return zav::platform::MessageAnswer::Ok;
}

}  // namespace zavtool
