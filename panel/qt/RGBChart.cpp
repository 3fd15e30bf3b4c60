#include "panel/qt/RGBChart.h"

#include <QPainter>
#include <algorithm>

namespace {

constexpr int FULL_LEVEL = 255;
constexpr int FULL_CIRCLE = 360 * 16; // QPainter angles are sixteenths of a degree
constexpr int PIE_START = 90 * 16;    // slices start at twelve o'clock
const std::array<QColor, 3> COMPONENT_COLORS = {QColor(255, 0, 0), QColor(0, 255, 0),
                                                QColor(0, 0, 255)};
const QColor FIELD_COLOR(24, 24, 24);
const QColor GUIDE_COLOR(255, 255, 255, 60);
const QColor EMPTY_PIE_COLOR(192, 192, 192);
constexpr double GUIDE_LEVELS[] = {0.2, 0.8};

} // namespace

CRGBChart::CRGBChart(QWidget* parent) : QWidget(parent) {
}

void CRGBChart::SetColorProperty(int property, int value) {
    if (property < 1 || property > 3) {
        return;
    }
    const int level = std::clamp(value, 0, FULL_LEVEL);
    int& stored = m_levels[static_cast<std::size_t>(property - 1)];
    if (stored != level) {
        stored = level;
        update();
    }
}

void CRGBChart::SetStyleProperty(const QString& style) {
    Style wanted = m_style;
    if (style.compare(QLatin1String("Bar"), Qt::CaseInsensitive) == 0) {
        wanted = Style::Bar;
    } else if (style.compare(QLatin1String("Pie"), Qt::CaseInsensitive) == 0) {
        wanted = Style::Pie;
    }
    if (wanted != m_style) {
        m_style = wanted;
        update();
    }
}

int CRGBChart::Level(int property) const {
    return property >= 1 && property <= 3 ? m_levels[static_cast<std::size_t>(property - 1)] : 0;
}

void CRGBChart::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (m_style == Style::Bar) {
        PaintBars(painter);
    } else {
        PaintPie(painter);
    }
}

void CRGBChart::PaintBars(QPainter& painter) const {
    const QRect field = rect();
    painter.fillRect(field, FIELD_COLOR);
    painter.setPen(GUIDE_COLOR);
    for (double guide : GUIDE_LEVELS) {
        const int y = field.bottom() - static_cast<int>(guide * field.height() + 0.5);
        painter.drawLine(field.left(), y, field.right(), y);
    }
    // Three bars with a gap of half a bar between them and at both edges.
    const double slot = field.width() / 3.0;
    const int barWidth = std::max(1, static_cast<int>(slot * 2.0 / 3.0));
    for (std::size_t component = 0; component < 3; ++component) {
        const int height = (m_levels[component] * field.height() + FULL_LEVEL / 2) / FULL_LEVEL;
        const int left =
            static_cast<int>(slot * static_cast<double>(component) + (slot - barWidth) / 2.0);
        painter.fillRect(left, field.height() - height, barWidth, height,
                         COMPONENT_COLORS[component]);
    }
}

void CRGBChart::PaintPie(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const int side = std::min(width(), height());
    const QRectF disc((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const int total = m_levels[0] + m_levels[1] + m_levels[2];
    if (total == 0) {
        painter.setBrush(EMPTY_PIE_COLOR);
        painter.drawEllipse(disc);
        return;
    }
    // Each slice ends where the running sum says, so the slices always close the circle.
    int runningLevel = 0;
    int startAngle = 0;
    for (std::size_t component = 0; component < 3; ++component) {
        runningLevel += m_levels[component];
        const int endAngle = runningLevel * FULL_CIRCLE / total;
        if (endAngle > startAngle) {
            painter.setBrush(COMPONENT_COLORS[component]);
            if (endAngle - startAngle == FULL_CIRCLE) {
                painter.drawEllipse(disc);
            } else {
                painter.drawPie(disc, PIE_START - startAngle, -(endAngle - startAngle));
            }
        }
        startAngle = endAngle;
    }
}
