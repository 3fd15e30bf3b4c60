#pragma once

#include <QColor>
#include <QString>
#include <QWidget>
#include <array>

// Draws one colour given as red, green and blue levels 0..255: "Bar" as three vertical bars on a
// dark field with faint lines at 20 % and 80 % of full scale, "Pie" as three slices in
// proportion to the levels (all three 0: an empty grey disc). The window drives it only through
// its four numbered properties; it repaints when one of them changes.
class CRGBChart : public QWidget {
    Q_OBJECT

public:
    enum class Style { Bar, Pie };

    explicit CRGBChart(QWidget* parent = nullptr);

    // Property 1, 2 or 3 (red, green, blue); values outside 0..255 are clamped. Other property
    // numbers are ignored.
    void SetColorProperty(int property, int value);
    // Property 4: "Bar" or "Pie" in any case; any other text leaves the style as it is.
    void SetStyleProperty(const QString& style);

    int Level(int property) const;
    Style ChartStyle() const { return m_style; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintBars(QPainter& painter) const;
    void PaintPie(QPainter& painter) const;

    std::array<int, 3> m_levels{};
    Style m_style = Style::Bar;
};
