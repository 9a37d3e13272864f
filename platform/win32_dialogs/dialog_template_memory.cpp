#include "platform/win32_dialogs/dialog_template_memory.h"

#include <commctrl.h>

#include <algorithm>
#include <limits>

#include "platform/win32/wide_text.h"
#include "platform/win32_dialogs/needle_gauge_window.h"

namespace zav::platform::win32 {

namespace {

constexpr WORD kExtendedVersion = 1;
constexpr WORD kExtendedSignature = 0xFFFF;
constexpr WORD kNormalWeight = FW_NORMAL;

DWORD TrackbarStyle(const ControlTemplate& control) {
    const bool vertical = control.kind == ControlKind::TrackbarVertical;
    DWORD style = vertical ? TBS_VERT : TBS_HORZ;
    if ((control.style & kStyleTicksBothSides) != 0) {
        style |= TBS_BOTH;
    } else {
        style |= vertical ? TBS_RIGHT : TBS_BOTTOM;
    }
    if ((control.style & kStyleSelectionRange) != 0)
        style |= TBS_ENABLESELRANGE;
    if ((control.style & kStyleTransparent) != 0)
        style |= TBS_TRANSPARENTBKGND;
    return style;
}

short ToShort(int value) {
    return static_cast<short>(std::clamp<int>(value, std::numeric_limits<short>::min(),
                                              std::numeric_limits<short>::max()));
}

}  // namespace

ControlWindowShape ControlShape(const ControlTemplate& control) {
    ControlWindowShape shape;
    shape.id = static_cast<DWORD>(control.id);
    shape.style = WS_CHILD | WS_VISIBLE;
    switch (control.kind) {
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton:
            shape.className = L"Button";
            shape.style |=
                control.kind == ControlKind::DefaultPushButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            if ((control.style & kStyleShowIcon) != 0 && control.icon != nullptr)
                shape.style |= BS_ICON;
            break;
        case ControlKind::StaticLeft:
            shape.className = L"Static";
            shape.style |= SS_LEFT;
            break;
        case ControlKind::StaticCentre:
            shape.className = L"Static";
            shape.style |= SS_CENTER;
            break;
        case ControlKind::StaticSunken:
            // The painted child must not be painted over by its frame.
            shape.className = L"Static";
            shape.style |= SS_LEFT | SS_SUNKEN | WS_CLIPCHILDREN;
            break;
        case ControlKind::GroupBox:
            shape.className = L"Button";
            shape.style |= BS_GROUPBOX;
            break;
        case ControlKind::Icon:
            shape.className = L"Static";
            shape.style |= SS_ICON;
            break;
        case ControlKind::TrackbarHorizontal:
        case ControlKind::TrackbarVertical:
            shape.className = TRACKBAR_CLASSW;
            shape.style |= TrackbarStyle(control);
            break;
        case ControlKind::Gauge:
            shape.className = kNeedleGaugeClass;
            break;
    }
    if ((control.style & kStyleTabStop) != 0)
        shape.style |= WS_TABSTOP;
    if ((control.style & kStyleDisabled) != 0)
        shape.style |= WS_DISABLED;
    return shape;
}

DWORD DialogStyle() {
    return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK | DS_CENTER;
}

DWORD DialogExStyle(const DialogTemplate& dialog) {
    return dialog.showInTaskBar ? WS_EX_APPWINDOW : 0;
}

DialogTemplateMemory::DialogTemplateMemory(const DialogTemplate& dialog) {
    Put(kExtendedVersion);
    Put(kExtendedSignature);
    PutDword(0);  // help id
    PutDword(DialogExStyle(dialog));
    PutDword(DialogStyle());
    Put(static_cast<WORD>(std::min<std::size_t>(dialog.controls.size(), 0xFFFF)));
    Put(0);  // x and y: DS_CENTER places it
    Put(0);
    Put(static_cast<WORD>(ToShort(dialog.width)));
    Put(static_cast<WORD>(ToShort(dialog.height)));
    Put(0);  // no menu
    Put(0);  // the standard dialog class
    PutText(WideFromUtf8(dialog.caption));
    // DS_SETFONT: point size, weight, italic and character set, typeface.
    Put(static_cast<WORD>(dialog.pointSize));
    Put(kNormalWeight);
    Put(MAKEWORD(FALSE, DEFAULT_CHARSET));
    PutText(WideFromUtf8(dialog.fontName));

    for (const ControlTemplate& control : dialog.controls) {
        const ControlWindowShape shape = ControlShape(control);
        Align();
        PutDword(0);  // help id
        PutDword(shape.exStyle);
        PutDword(shape.style);
        Put(static_cast<WORD>(ToShort(control.rect.x)));
        Put(static_cast<WORD>(ToShort(control.rect.y)));
        Put(static_cast<WORD>(ToShort(control.rect.width)));
        Put(static_cast<WORD>(ToShort(control.rect.height)));
        PutDword(shape.id);
        PutText(shape.className);
        // An icon control or button gets its picture after creation; its text stays.
        PutText(control.kind == ControlKind::Icon ? std::wstring() : WideFromUtf8(control.text));
        Put(0);  // no creation data
    }
}

void DialogTemplateMemory::Align() {
    if (words_.size() % 2 != 0)
        Put(0);
}

void DialogTemplateMemory::PutDword(DWORD value) {
    Put(LOWORD(value));
    Put(HIWORD(value));
}

void DialogTemplateMemory::PutText(std::wstring_view text) {
    for (const wchar_t character : text)
        Put(static_cast<WORD>(character));
    Put(0);
}

}  // namespace zav::platform::win32
