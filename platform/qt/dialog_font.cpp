#include "platform/qt/dialog_font.h"

#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace zav::platform::qt {

QFont DialogFont(std::string_view hostFontName, int pointSize) {
    QFont font;
    // The host's bitmap sans fonts are closest to these in width and height; the first one that
    // is installed wins, and the desktop's sans font is the last resort.
    QStringList families{
        QString::fromUtf8(hostFontName.data(), static_cast<qsizetype>(hostFontName.size())),
        "Liberation Sans",
        "Arimo",
        "Arial",
        "Helvetica",
        "DejaVu Sans",
        "sans-serif"};
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSize);
    return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString sample =
        QString::fromLatin1(kBaseUnitSample.data(), static_cast<qsizetype>(kBaseUnitSample.size()));
    return BaseUnitsFromFont(metrics.horizontalAdvance(sample), metrics.height());
}

}  // namespace zav::platform::qt
