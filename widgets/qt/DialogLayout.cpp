#include "widgets/qt/DialogLayout.h"

#include <QFontMetrics>

namespace {

constexpr int UNITS_PER_CHARACTER_X = 4;
constexpr int UNITS_PER_CHARACTER_Y = 8;
const QString AVERAGE_SAMPLE =
    QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");

int Scale(int units, int base, int perCharacter) {
    return (units * base + perCharacter / 2) / perCharacter;
}

} // namespace

CDialogLayout::CDialogLayout(const QFont& font) {
    SetFont(font);
}

void CDialogLayout::SetFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int sampleLength = static_cast<int>(AVERAGE_SAMPLE.size());
    m_baseX = (metrics.horizontalAdvance(AVERAGE_SAMPLE) + sampleLength / 2) / sampleLength;
    m_baseY = metrics.height();
    for (const Placement& placement : m_placements) {
        Apply(placement);
    }
}

void CDialogLayout::Place(QWidget* widget, const QRect& units, const QPoint& parentOrigin) {
    m_placements.push_back({widget, units.translated(-parentOrigin)});
    Apply(m_placements.back());
}

QRect CDialogLayout::ToPixels(const QRect& units) const {
    // Edges rather than sizes are scaled, so neighbours that touch in units touch in pixels.
    const int left = Scale(units.left(), m_baseX, UNITS_PER_CHARACTER_X);
    const int top = Scale(units.top(), m_baseY, UNITS_PER_CHARACTER_Y);
    const int right = Scale(units.left() + units.width(), m_baseX, UNITS_PER_CHARACTER_X);
    const int bottom = Scale(units.top() + units.height(), m_baseY, UNITS_PER_CHARACTER_Y);
    return {left, top, right - left, bottom - top};
}

QSize CDialogLayout::ToPixels(const QSize& units) const {
    return {Scale(units.width(), m_baseX, UNITS_PER_CHARACTER_X),
            Scale(units.height(), m_baseY, UNITS_PER_CHARACTER_Y)};
}

void CDialogLayout::Apply(const Placement& placement) const {
    if (placement.Widget) {
        placement.Widget->setGeometry(ToPixels(placement.Units));
    }
}
