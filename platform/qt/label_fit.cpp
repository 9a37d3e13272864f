#include "platform/qt/label_fit.h"

#include <QFontMetrics>
#include <QLabel>
#include <array>

namespace zav::platform::qt {

namespace {

// Font stretch factors in percent, from the font's own width down; below about three quarters
// a sans font stops reading easily.
constexpr std::array<int, 6> kStretchSteps{95, 90, 85, 80, 75, 70};

}  // namespace

bool LabelTextFits(const QLabel& label) {
    const QRect box = label.contentsRect();
    const QFontMetrics metrics(label.font());
    if (label.wordWrap()) {
        for (const QString& word : label.text().split(u' ', Qt::SkipEmptyParts)) {
            if (metrics.horizontalAdvance(word) > box.width())
                return false;
        }
        const QRect needed = metrics.boundingRect(
            QRect(0, 0, box.width(), 0), Qt::TextWordWrap | label.alignment(), label.text());
        return needed.height() <= box.height();
    }
    return metrics.horizontalAdvance(label.text()) <= box.width() &&
           metrics.height() <= box.height();
}

void CondenseToFit(QLabel& label) {
    if (label.text().isEmpty() || LabelTextFits(label))
        return;
    QFont font = label.font();
    for (const int stretch : kStretchSteps) {
        font.setStretch(stretch);
        label.setFont(font);
        if (LabelTextFits(label))
            return;
    }
}

}  // namespace zav::platform::qt
