#include "voxgauge/vox_gauge_app.h"

namespace voxgauge {

bool CVoxGaugeApp::InitInstance() {
    // The dialog lives only for its run: leaving here stops the capture and closes the mixer.
    CMicSetupDlg dialog(services_);
    dialogResult_ = services_.runner.RunModal(CMicSetupDlg::Template(), dialog);
    return false;
}

}  // namespace voxgauge
