#pragma once
// VoxGauge's application object: builds the setup dialog, runs it modally and answers false,
// so that the program ends when the dialog has closed.
//
// Thread: dialog (the program's main thread).

#include "voxgauge/mic_setup_dlg.h"

namespace voxgauge {

class CVoxGaugeApp {
  public:
    explicit CVoxGaugeApp(const MicSetupServices& services) : services_(services) {}

    // Runs the setup dialog to its end. Always false: there is nothing to run afterwards.
    bool InitInstance();

    // How the dialog's run ended (-1 when a start-up check stopped it); not used by the program.
    int DialogResult() const { return dialogResult_; }

  private:
    MicSetupServices services_;
    int dialogResult_ = 0;
};

}  // namespace voxgauge
