#pragma once
// A dialog with nothing of its own to do, such as an About box: OK and Cancel end it.

#include "platform/ui/dialog_handler.h"
#include "platform/ui/dialog_template.h"

namespace zav::platform {

class PlainDialog : public DialogHandler {
  public:
    int OnCreate(DialogView& view) override {
        view_ = &view;
        return 0;
    }
    void OnOK() override { view_->EndDialog(kIdOk); }
    void OnCancel() override { view_->EndDialog(kIdCancel); }
    void OnDestroy() override { view_ = nullptr; }

  private:
    DialogView* view_ = nullptr;
};

}  // namespace zav::platform
