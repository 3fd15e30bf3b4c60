#include <QEvent>
#include <QImage>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "panel/qt/RGBChart.h"

namespace {

class PaintCounter : public QObject {
public:
    int Count = 0;

protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        Count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

QImage Render(int red, int green, int blue, const QString& style, QSize size = {90, 90}) {
    CRGBChart chart;
    chart.resize(size);
    chart.SetStyleProperty(style);
    chart.SetColorProperty(1, red);
    chart.SetColorProperty(2, green);
    chart.SetColorProperty(3, blue);
    return chart.grab().toImage();
}

QColor At(const QImage& image, double x, double y) {
    return image.pixelColor(static_cast<int>(x * (image.width() - 1)),
                            static_cast<int>(y * (image.height() - 1)));
}

} // namespace

TEST(RGBChart, RepaintsOnlyWhenAPropertyChanges) {
    CRGBChart chart;
    chart.resize(90, 90);
    PaintCounter paints;
    chart.installEventFilter(&paints);
    chart.show();
    ASSERT_TRUE(WaitForEvents([&] { return paints.Count > 0; }));
    const auto settle = [&] { WaitForEvents([] { return false; }, std::chrono::milliseconds(50)); };
    settle();

    int before = paints.Count;
    chart.SetColorProperty(1, 0);
    chart.SetStyleProperty(QStringLiteral("Bar"));
    chart.SetStyleProperty(QStringLiteral("Donut"));
    settle();
    EXPECT_EQ(paints.Count, before) << "unchanged properties must not repaint";

    before = paints.Count;
    chart.SetColorProperty(2, 128);
    EXPECT_TRUE(WaitForEvents([&] { return paints.Count > before; })) << "colour change";
    before = paints.Count;
    chart.SetStyleProperty(QStringLiteral("pie"));
    EXPECT_TRUE(WaitForEvents([&] { return paints.Count > before; })) << "style change";
    EXPECT_EQ(chart.ChartStyle(), CRGBChart::Style::Pie);
}

TEST(RGBChart, LevelsAreClampedToTheColourRange) {
    CRGBChart chart;
    chart.SetColorProperty(1, 300);
    chart.SetColorProperty(3, -4);
    chart.SetColorProperty(5, 100);
    EXPECT_EQ(chart.Level(1), 255);
    EXPECT_EQ(chart.Level(2), 0);
    EXPECT_EQ(chart.Level(3), 0);
}

TEST(RGBChart, PieEdgeCases) {
    const QImage empty = Render(0, 0, 0, QStringLiteral("Pie"));
    EXPECT_EQ(At(empty, 0.5, 0.5), QColor(192, 192, 192)) << "all zero: an empty grey disc";
    EXPECT_EQ(At(empty, 0.5, 0.1), QColor(192, 192, 192));

    // An indicator with only blue is a full blue disc, at its 11 x 11 size too.
    for (const QSize size : {QSize(90, 90), QSize(22, 22)}) {
        const QImage blue = Render(0, 0, 255, QStringLiteral("Pie"), size);
        for (const auto& [x, y] : {std::pair{0.5, 0.5}, {0.5, 0.15}, {0.15, 0.5}, {0.85, 0.5}}) {
            EXPECT_EQ(At(blue, x, y), QColor(0, 0, 255)) << size.width() << " at " << x << "," << y;
        }
    }

    // Equal levels: red from twelve o'clock clockwise, then green, then blue.
    const QImage thirds = Render(100, 100, 100, QStringLiteral("Pie"));
    EXPECT_EQ(At(thirds, 0.75, 0.4), QColor(255, 0, 0));
    EXPECT_EQ(At(thirds, 0.5, 0.85), QColor(0, 255, 0));
    EXPECT_EQ(At(thirds, 0.25, 0.4), QColor(0, 0, 255));
}

TEST(RGBChart, BarsRiseWithTheirLevels) {
    const QImage bars = Render(255, 127, 0, QStringLiteral("Bar"));
    const QColor field = At(bars, 0.02, 0.5);
    EXPECT_LT(field.lightness(), 40) << "dark field";
    EXPECT_EQ(At(bars, 1.0 / 6, 0.05), QColor(255, 0, 0)) << "full red reaches the top";
    EXPECT_EQ(At(bars, 0.5, 0.7), QColor(0, 255, 0)) << "half green below the middle";
    EXPECT_NE(At(bars, 0.5, 0.3), QColor(0, 255, 0)) << "and not above it";
    EXPECT_NE(At(bars, 5.0 / 6, 0.98), QColor(0, 0, 255)) << "no blue bar at 0";

    // The faint guides at 20 % and 80 % of full scale differ from the field.
    const QImage empty = Render(0, 0, 0, QStringLiteral("Bar"));
    const int guide80 = static_cast<int>(empty.height() - 1 - 0.8 * empty.height() + 0.5);
    EXPECT_NE(empty.pixelColor(empty.width() / 2, guide80), field);
    EXPECT_EQ(empty.pixelColor(empty.width() / 2, guide80 + 5), field);
}
