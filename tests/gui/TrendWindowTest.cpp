#include <QAction>
#include <QImage>
#include <QTableWidget>
#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "GuiSupport.h"
#include "panel/TrendDlg.h"
#include "panel/qt/MainWindow.h"
#include "panel/qt/TrendWindow.h"

using namespace std::chrono_literals;

namespace {

QString Cell(const CTrendWindow& trend, int row, int column) {
    const QTableWidgetItem* item = trend.Table()->item(row, column);
    return item == nullptr ? QString() : item->text();
}

// The red column of a saved file, one value per row.
std::vector<double> SavedReds(const std::string& path) {
    std::ifstream file(path);
    std::vector<double> reds;
    std::string line;
    std::getline(file, line); // header
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string time, red;
        std::getline(fields, time, ',');
        std::getline(fields, red, ',');
        reds.push_back(std::stod(red));
    }
    return reds;
}

} // namespace

// Options > Trend... opens the window beside the panel; it follows the readings, saves the
// span it shows with the figures its table shows and a picture of its chart, and closes with
// the panel.
TEST(TrendWindow, OpensFollowsReadingsSavesWhatItShowsAndClosesWithThePanel) {
    CSensorPanel panel;
    ASSERT_NO_FATAL_FAILURE(panel.Open());
    CMainWindow& window = panel.Window();
    QAction* item = window.MenuAction(ID_OPTIONS_TREND);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("&Trend..."));
    EXPECT_EQ(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    item->trigger();
    CTrendWindow* trend = window.TrendWindow();
    ASSERT_NE(trend, nullptr);
    EXPECT_TRUE(trend->isVisible());
    EXPECT_EQ(trend->windowTitle(), QStringLiteral("Trend"));

    const auto count = [&] { return Cell(*trend, 0, COL_COUNT).toInt(); };
    ASSERT_TRUE(WaitForEvents([&] { return count() > 2; }, 10s));
    const int seen = count();
    EXPECT_TRUE(WaitForEvents([&] { return count() > seen; }, 10s));
    panel.Sensor().SetTarget(55.0, 30.0, 20.0);
    ASSERT_TRUE(WaitForEvents([&] { return Cell(*trend, 0, COL_MAX) == "55.0"; }, 10s));

    QTemporaryDir folder;
    const std::string data = folder.filePath("trend.csv").toStdString();
    ASSERT_TRUE(window.Trend().SaveData(data));
    const std::vector<double> reds = SavedReds(data);
    ASSERT_EQ(static_cast<int>(reds.size()), count());
    double sum = 0.0;
    for (const double red : reds) {
        sum += red;
    }
    EXPECT_NEAR(sum / double(reds.size()), Cell(*trend, 0, COL_MEAN).toDouble(), 0.05);
    EXPECT_EQ(*std::max_element(reds.begin(), reds.end()), 55.0);

    const std::string picture = folder.filePath("trend.png").toStdString();
    ASSERT_TRUE(trend->SavePicture(picture));
    EXPECT_FALSE(QImage(QString::fromStdString(picture)).isNull());

    window.close();
    EXPECT_FALSE(trend->isVisible());
}
