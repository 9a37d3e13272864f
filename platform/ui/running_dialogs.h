#pragma once
// A runner's modal windows, innermost last: a dialog run while another one runs is owned by it.
// An Entry stands for one run and leaves the stack however the run ends.
//
// Thread: dialog.

#include <vector>

namespace zav::platform {

template <typename Window>
class RunningDialogs {
  public:
    // The window running now, or null.
    Window* Innermost() const { return windows_.empty() ? nullptr : windows_.back(); }

    class Entry {
      public:
        Entry(RunningDialogs& dialogs, Window* window) : windows_(dialogs.windows_) {
            windows_.push_back(window);
        }
        ~Entry() { windows_.pop_back(); }
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;

      private:
        std::vector<Window*>& windows_;
    };

  private:
    std::vector<Window*> windows_;
};

}  // namespace zav::platform
