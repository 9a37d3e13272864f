#pragma once
// A program's dialog template (platform/ui/dialog_template.h) as the host's in-memory extended
// template (DLGTEMPLATEEX with DLGITEMTEMPLATEEX items), ready for DialogBoxIndirectParamW.
// Positions and sizes stay in dialog units and the template names its font (DS_SETFONT), so
// the host itself converts them with that font's metrics.
//
// Thread: any (pure functions).

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/dialog_template.h"

namespace zav::platform::win32 {

// The window class, styles and id a template control becomes.
struct ControlWindowShape {
    std::wstring className;  // "Button", "Static", the trackbar's or the gauge's class
    DWORD style = 0;
    DWORD exStyle = 0;
    DWORD id = 0;
};

ControlWindowShape ControlShape(const ControlTemplate& control);

// The dialog's own style: a pop-up with caption, system menu and modal frame, centred, with the
// template's font; not visible until its modal loop shows it.
DWORD DialogStyle();
// WS_EX_APPWINDOW for a dialog shown in the task bar.
DWORD DialogExStyle(const DialogTemplate& dialog);

// The template as DWORD-aligned memory.
class DialogTemplateMemory {
  public:
    explicit DialogTemplateMemory(const DialogTemplate& dialog);

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }
    std::size_t SizeInBytes() const { return words_.size() * sizeof(WORD); }

  private:
    void Align();
    void Put(WORD word) { words_.push_back(word); }
    void PutDword(DWORD value);
    void PutText(std::wstring_view text);

    std::vector<WORD> words_;
};

}  // namespace zav::platform::win32
