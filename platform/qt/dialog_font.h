#pragma once
// The font a dialog is drawn with, and the base units its template's dialog units are measured
// in. The host's dialog fonts are not found on every desktop, so the closest sans font at the
// same point size stands in; the dialog units follow whichever font was found, as they do on
// the host.
//
// Thread: GUI.

#include <QFont>
#include <string_view>

#include "platform/ui/dialog_units.h"

namespace zav::platform::qt {

QFont DialogFont(std::string_view hostFontName, int pointSize);
DialogBaseUnits BaseUnitsOf(const QFont& font);

}  // namespace zav::platform::qt
