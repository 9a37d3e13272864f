#include "keyvoice/key_voice_app.h"

#include "keyvoice/resources.h"

namespace keyvoice {

bool CKeyVoiceApp::InitInstance() {
    // The dialog lives only for its run: leaving here stops any sound, closes the mixer and
    // releases every sound.
    CKeyVoiceDlg dialog(services_);
    icons_ = {FindIcon(kIdiPlay), FindIcon(kIdiRec), FindIcon(kIdiStop)};
    dialogResult_ = services_.runner.RunModal(CKeyVoiceDlg::Template(), dialog);
    return false;
}

}  // namespace keyvoice
