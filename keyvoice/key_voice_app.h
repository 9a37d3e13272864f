#pragma once
// KeyVoice's application object: loads the pictures of PLAY, REC and STOP, runs the recorder
// dialog modally and answers false, so that the program ends when the dialog has closed.
//
// Thread: dialog (the program's main thread).

#include <array>

#include "keyvoice/key_voice_dlg.h"
#include "platform/ui/icon_drawing.h"

namespace keyvoice {

class CKeyVoiceApp {
  public:
    explicit CKeyVoiceApp(const KeyVoiceServices& services) : services_(services) {}

    // Runs the recorder dialog to its end. Always false: there is nothing to run afterwards.
    bool InitInstance();

    // The pictures the dialog's buttons show (icons 141, 143 and 142, loaded in that order).
    const zav::platform::IconDrawing* PlayIcon() const { return icons_[0]; }
    const zav::platform::IconDrawing* RecIcon() const { return icons_[1]; }
    const zav::platform::IconDrawing* StopIcon() const { return icons_[2]; }
    // How the dialog's run ended (-1 when a start-up check stopped it); not used by the program.
    int DialogResult() const { return dialogResult_; }

  private:
    KeyVoiceServices services_;
    std::array<const zav::platform::IconDrawing*, 3> icons_{};
    int dialogResult_ = 0;
};

}  // namespace keyvoice
