#pragma once
// Dialog templates as data: the caption, font and size of a dialog and its controls in template
// order, with positions and sizes in dialog units. A program keeps its templates in its
// resources; a window backend builds widgets from them, converting dialog units with the
// dialog font's metrics (see dialog_units.h).
//
// Thread: plain constant data, readable from any thread.

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/ui/icon_drawing.h"

namespace zav::platform {

// The host's standard command ids of dialog buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
// Controls that are never addressed by the program (labels, frames) share this id.
inline constexpr int kIdStatic = -1;

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    StaticLeft,    // text, left aligned, wrapped inside its box
    StaticCentre,  // text, centred
    StaticSunken,  // an empty sunken frame another widget may draw into (a meter)
    GroupBox,      // a frame with an optional title
    Icon,          // shows ControlTemplate::icon
    TrackbarHorizontal,
    TrackbarVertical,
    Gauge,  // a needle gauge showing a value 0 to 15
};

// Style bits of a control; only those that change how it looks or behaves here.
enum ControlStyle : std::uint32_t {
    kStyleNone = 0,
    kStyleTabStop = 0x01,         // reached with Tab, in template order
    kStyleTicksBothSides = 0x02,  // trackbar: tick marks on both sides of the channel
    kStyleSelectionRange = 0x04,  // trackbar: the channel can show a selection
    kStyleTransparent = 0x08,     // trackbar: no background of its own
    kStyleShowIcon = 0x10,        // push button: shows ControlTemplate::icon, not its text
    kStyleDisabled = 0x20,        // created disabled
};

// A rectangle in dialog units: x and width in quarters of the font's average character width,
// y and height in eighths of its character height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const DialogRect&, const DialogRect&) = default;
};

struct ControlTemplate {
    ControlKind kind = ControlKind::StaticLeft;
    int id = kIdStatic;
    std::string_view text;  // '&' marks the mnemonic of a button, as on the host
    DialogRect rect;
    std::uint32_t style = kStyleNone;   // ControlStyle bits
    const IconDrawing* icon = nullptr;  // for ControlKind::Icon and kStyleShowIcon buttons
    // What assistive tools call a control that shows no text of its own (a trackbar, a meter):
    // the text of the label that stands for it, if one does. Empty: the control's text.
    std::string_view accessibleName = {};
};

struct DialogTemplate {
    int id = 0;
    std::string_view caption;
    std::string_view fontName;  // the host's font; a backend picks the closest one it has
    int pointSize = 8;
    int width = 0;               // client area, dialog units
    int height = 0;              // client area, dialog units
    bool showInTaskBar = false;  // an application window rather than a child of another
    // Controls in template order, which is also the tab order.
    std::span<const ControlTemplate> controls;

    // The control with this id, or nullptr (kIdStatic finds nothing).
    const ControlTemplate* Find(int controlId) const {
        if (controlId == kIdStatic)
            return nullptr;
        for (const ControlTemplate& control : controls) {
            if (control.id == controlId)
                return &control;
        }
        return nullptr;
    }
};

}  // namespace zav::platform
