#pragma once
// Dialog units to pixels, as the host converts them: a dialog unit is a quarter of the dialog
// font's average character width across and an eighth of its character height down.
//
// Thread: any (pure functions).

#include <string_view>

#include "platform/ui/dialog_template.h"

namespace zav::platform {

// The host's measure of a font: the text every dialog's base units are taken from.
inline constexpr std::string_view kBaseUnitSample =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

struct DialogBaseUnits {
    int averageCharWidth = 0;  // pixels
    int charHeight = 0;        // pixels

    friend bool operator==(const DialogBaseUnits&, const DialogBaseUnits&) = default;
};

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The base units of a font whose kBaseUnitSample is sampleWidth pixels wide and whose lines
// are charHeight pixels high; the average width is rounded as the host rounds it.
DialogBaseUnits BaseUnitsFromFont(int sampleWidth, int charHeight);

// value x numerator / denominator rounded to the nearest integer, halves away from zero.
int MulDivRounded(int value, int numerator, int denominator);

// Converts each edge separately, so that controls that touch in dialog units touch in pixels.
PixelRect MapDialogRect(const DialogRect& rect, const DialogBaseUnits& units);

}  // namespace zav::platform
