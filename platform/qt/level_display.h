#pragma once
// A widget that shows a level on the dialogs' level scale, 0 to 15 (the needle gauge, the meter
// drawn into a sunken frame). Assistive tools read the level from it when they ask; a change is
// pushed to them only while one listens, so a level that moves every tick costs nothing
// otherwise.
//
// Thread: GUI.

namespace zav::platform::qt {

class LevelDisplay {
  public:
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 15;

    virtual int ShownLevel() const = 0;

  protected:
    LevelDisplay() = default;
    ~LevelDisplay() = default;
    LevelDisplay(const LevelDisplay&) = default;
    LevelDisplay& operator=(const LevelDisplay&) = default;
};

}  // namespace zav::platform::qt
