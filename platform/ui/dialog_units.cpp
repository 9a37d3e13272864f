#include "platform/ui/dialog_units.h"

#include <cstdint>
#include <cstdlib>

namespace zav::platform {

namespace {

constexpr int kQuartersPerChar = 4;
constexpr int kEighthsPerLine = 8;
constexpr int kSampleLetterPairs = 26;  // the 52 letters, halved by the rounding step

}  // namespace

DialogBaseUnits BaseUnitsFromFont(int sampleWidth, int charHeight) {
    return {(sampleWidth / kSampleLetterPairs + 1) / 2, charHeight};
}

int MulDivRounded(int value, int numerator, int denominator) {
    if (denominator == 0)
        return -1;  // the host's answer to a division by zero
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t half = std::abs(static_cast<std::int64_t>(denominator)) / 2;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude =
        (std::abs(product) + half) / std::abs(static_cast<std::int64_t>(denominator));
    return static_cast<int>(negative ? -magnitude : magnitude);
}

PixelRect MapDialogRect(const DialogRect& rect, const DialogBaseUnits& units) {
    const int left = MulDivRounded(rect.x, units.averageCharWidth, kQuartersPerChar);
    const int top = MulDivRounded(rect.y, units.charHeight, kEighthsPerLine);
    const int right = MulDivRounded(rect.x + rect.width, units.averageCharWidth, kQuartersPerChar);
    const int bottom = MulDivRounded(rect.y + rect.height, units.charHeight, kEighthsPerLine);
    return {left, top, right - left, bottom - top};
}

}  // namespace zav::platform
