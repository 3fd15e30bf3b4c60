#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <gtest/gtest.h>
#include <set>

#include "GuiSupport.h"
#include "panel/SpectrelDlg.h"
#include "panel/qt/MainWindow.h"
#include "panel/qt/RGBChart.h"
#include "sim/VirtualSensor.h"

using namespace std::chrono_literals;

namespace {

struct NamedControl {
    ControlId Id;
    const char* Name;
};

#define NAMED(id)                                                                                  \
    { id, #id }
const NamedControl ALL_CONTROLS[] = {NAMED(IDC_AVERAGING),
                                     NAMED(IDC_OUTPUT_DURATION),
                                     NAMED(IDC_ILLUMINATION_SLIDER),
                                     NAMED(IDC_ILLUMINATION),
                                     NAMED(IDC_READ_SETTINGS),
                                     NAMED(IDC_SEND_SETTINGS),
                                     NAMED(IDC_TRIGGER_FREE_RUN),
                                     NAMED(IDC_TRIGGER_LEVEL),
                                     NAMED(IDC_TRIGGER_EDGE),
                                     NAMED(IDC_AMBIENT_SUBTRACTION),
                                     NAMED(IDC_COMM_STATUS),
                                     NAMED(IDC_SERIAL_NUMBER),
                                     NAMED(IDC_RESET),
                                     NAMED(IDC_PORT),
                                     NAMED(IDC_CHANNEL),
                                     NAMED(IDC_READ_ALL_CHANNELS),
                                     NAMED(IDC_COLOR_RED),
                                     NAMED(IDC_COLOR_GREEN),
                                     NAMED(IDC_COLOR_BLUE),
                                     NAMED(IDC_TEACH_CHANNEL),
                                     NAMED(IDC_SEND_ALL_CHANNELS),
                                     NAMED(IDC_LUMINOSITY),
                                     NAMED(IDC_MULTI_SAMPLE_TEACH),
                                     NAMED(IDC_TOLERANCE_RED_SPIN),
                                     NAMED(IDC_TOLERANCE_RED_STEP),
                                     NAMED(IDC_TOLERANCE_GREEN_STEP),
                                     NAMED(IDC_TOLERANCE_BLUE_STEP),
                                     NAMED(IDC_TOLERANCE_GREEN_SPIN),
                                     NAMED(IDC_TOLERANCE_BLUE_SPIN),
                                     NAMED(IDC_MANUAL),
                                     NAMED(IDC_TOLERANCE_RED),
                                     NAMED(IDC_TOLERANCE_GREEN),
                                     NAMED(IDC_TOLERANCE_BLUE),
                                     NAMED(IDC_MODE_COLOR_LUMINOSITY),
                                     NAMED(IDC_MODE_COLOR_ONLY),
                                     NAMED(IDC_OUTPUT_HIGH),
                                     NAMED(IDC_OUTPUT_LOW),
                                     NAMED(IDC_CHANNEL_ENABLED),
                                     NAMED(IDC_READING_RED),
                                     NAMED(IDC_READING_GREEN),
                                     NAMED(IDC_READING_BLUE),
                                     NAMED(IDC_RECOGNIZED_1),
                                     NAMED(IDC_RECOGNIZED_2),
                                     NAMED(IDC_RECOGNIZED_3),
                                     NAMED(IDC_RECOGNIZED_4),
                                     NAMED(IDC_DISPLAY_COLOR_ONLY),
                                     NAMED(IDC_DISPLAY_COLOR_LUMINOSITY),
                                     NAMED(IDC_RECOGNIZED_5),
                                     NAMED(IDC_RECOGNIZED_6),
                                     NAMED(IDC_RECOGNIZED_7),
                                     NAMED(IDC_CHART),
                                     NAMED(IDC_LABEL_80),
                                     NAMED(IDC_LABEL_20),
                                     NAMED(IDC_INDICATOR_1),
                                     NAMED(IDC_INDICATOR_2),
                                     NAMED(IDC_INDICATOR_3),
                                     NAMED(IDC_INDICATOR_4),
                                     NAMED(IDC_INDICATOR_5),
                                     NAMED(IDC_INDICATOR_6),
                                     NAMED(IDC_INDICATOR_7),
                                     NAMED(IDC_ROW_LABEL_1),
                                     NAMED(IDC_ROW_LABEL_2),
                                     NAMED(IDC_ROW_LABEL_3),
                                     NAMED(IDC_ROW_LABEL_4),
                                     NAMED(IDC_ROW_LABEL_5),
                                     NAMED(IDC_ROW_LABEL_6),
                                     NAMED(IDC_ROW_LABEL_7),
                                     NAMED(IDC_RECOGNIZED_GROUP)};

const char* const AREAS[] = {"Sensor Settings", "Sensor Communications",
                             "Color Recognition Channels", "Current Reading"};

const char* const CAPTIONS[] = {"Averaging",
                                "Triggering",
                                "Free Run",
                                "Level",
                                "Edge",
                                "Minimum Output Duration (ms)",
                                "Ambient Subtraction",
                                "Illumination (%)",
                                "Read Spectrel Settings",
                                "Send Spectrel Settings",
                                "Port",
                                "Reset",
                                "Communication status:",
                                "Serial Number:",
                                "Channel",
                                "Recognition Mode",
                                "Color && Luminosity",
                                "Color only",
                                "Recognition Enabled",
                                "RED",
                                "GREEN",
                                "BLUE",
                                "Color (%)",
                                "Tolerance (%)",
                                "Manual",
                                "Luminosity (%)",
                                "Match output",
                                "High",
                                "Low",
                                "Teach Spectrel Channel",
                                "Multi-Sample Teach Channel",
                                "Read All Spectrel Channels",
                                "Send All Spectrel Channels",
                                "Display Mode",
                                "80%",
                                "20%",
                                "Recognized Colors",
                                "Channel 1",
                                "Channel 2",
                                "Channel 3",
                                "Channel 4",
                                "Channel 5",
                                "Channel 6",
                                "Channel 7"};

std::set<QString> VisibleCaptions(const QWidget& window) {
    std::set<QString> captions;
    for (const auto* label : window.findChildren<QLabel*>()) {
        captions.insert(label->text());
    }
    for (const auto* button : window.findChildren<QAbstractButton*>()) {
        captions.insert(button->text());
    }
    for (const auto* group : window.findChildren<QGroupBox*>()) {
        captions.insert(group->title());
    }
    return captions;
}

// The area (0..3) a control lies in, -1 for none.
int AreaOf(const QWidget* control) {
    for (const QWidget* parent = control; parent != nullptr; parent = parent->parentWidget()) {
        if (const auto* group = qobject_cast<const QGroupBox*>(parent)) {
            for (int area = 0; area < 4; ++area) {
                if (group->title() == QLatin1String(AREAS[area])) {
                    return area;
                }
            }
        }
    }
    return -1;
}

// Width the control needs to show its caption whole.
int NeededWidth(const QWidget* control) {
    if (const auto* group = qobject_cast<const QGroupBox*>(control)) {
        return group->fontMetrics().horizontalAdvance(group->title()) + 8;
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        return button->fontMetrics().horizontalAdvance(button->text()) + 8;
    }
    if (qobject_cast<const QAbstractButton*>(control) || qobject_cast<const QLabel*>(control)) {
        return control->sizeHint().width();
    }
    return 0;
}

PanelValues DistinctValues() {
    PanelValues values;
    values.AveragingIndex = 3;
    values.TriggeringIndex = 2;
    values.OutputDurationIndex = 10;
    values.AmbientSubtraction = 0;
    values.IlluminationText = " 75";
    values.Illumination = 75;
    values.PortIndex = 15;
    values.SerialNumberText = "SIM0000000000001";
    values.SelectedChannel = 3;
    values.ChannelEnabled = 1;
    values.ChannelMode = 1;
    values.MatchOutput = 1;
    values.ColorTexts = {"40.0", "40.0", "20.0"};
    values.LuminosityText = "33.3";
    values.ToleranceSteps = {2, 5, 100};
    values.ToleranceTexts = {" 1.0", " 2.5", "50.0"};
    values.DisplayMode = 1;
    values.ReadingTexts = {" 5.0", "100.0", " 0.0"};
    values.RecognizedTexts = {"High", "Low", "High", "Low", "", "", ""};
    values.FirstRowLabel = "Channel 1";
    return values;
}

void FillCombos(CMainWindow& window) {
    window.FillCombo(IDC_AVERAGING, {"1", "2", "4", "8", "16", "32", "64"});
    window.FillCombo(IDC_OUTPUT_DURATION,
                     {"0", "10", "20", "30", "40", "50", "60", "70", "80", "90", "100"});
    std::vector<std::string> ports;
    for (int number = 1; number <= 16; ++number) {
        ports.push_back("COM" + std::to_string(number));
    }
    window.FillCombo(IDC_PORT, ports);
    window.FillCombo(IDC_CHANNEL, {"1", "2", "3", "4"});
}

QString StatusText(CMainWindow& window) {
    return static_cast<QTextEdit*>(window.Control(IDC_COMM_STATUS))->toPlainText();
}

} // namespace

TEST(MainWindow, HasEveryControlCaptionAndMenuItem) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Spectrel Color Sensor"));
    for (const NamedControl& control : ALL_CONTROLS) {
        QWidget* found = window.findChild<QWidget*>(QLatin1String(control.Name));
        EXPECT_NE(found, nullptr) << control.Name;
        EXPECT_EQ(found, window.Control(control.Id)) << control.Name;
    }
    const std::set<QString> captions = VisibleCaptions(window);
    for (const char* caption : AREAS) {
        EXPECT_TRUE(captions.count(QLatin1String(caption))) << caption;
    }
    for (const char* caption : CAPTIONS) {
        EXPECT_TRUE(captions.count(QLatin1String(caption))) << caption;
    }

    QStringList menus;
    for (const QAction* title : window.menuBar()->actions()) {
        menus << title->text();
        for (const QAction* item : title->menu()->actions()) {
            menus << item->text();
            if (item->menu() != nullptr) {
                for (const QAction* subItem : item->menu()->actions()) {
                    menus << subItem->text();
                }
            }
        }
    }
    for (const char* text :
         {"&File ", "&New", "&Open...", "&Save", "Save &As...", "E&xit", "&Options", "&Warnings",
          "Recognition", "Sensor", "Application", "&Data Logging", "Start", "Stop", "Settings...",
          "&Help", "Instructions...", "&About Spectrel..."}) {
        EXPECT_TRUE(menus.contains(QLatin1String(text))) << text;
    }
}

TEST(MainWindow, LayoutKeepsControlsInsideTheirAreasUnclippedAtAnyFontSize) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    for (const int points : {7, 9, 12, 16}) {
        QFont font = window.font();
        font.setPointSize(points);
        window.setFont(font);
        EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "fixed size";
        for (const NamedControl& control : ALL_CONTROLS) {
            const QWidget* widget = window.Control(control.Id);
            const QWidget* parent = widget->parentWidget();
            EXPECT_TRUE(parent->rect().contains(widget->geometry()))
                << control.Name << " leaves its area at " << points << " pt";
            EXPECT_LE(NeededWidth(widget), widget->width())
                << control.Name << " clips its caption at " << points << " pt";
        }
        for (const auto* group : window.findChildren<QGroupBox*>()) {
            EXPECT_LE(NeededWidth(group), group->width()) << group->title().toStdString();
        }
        // Neighbours never overlap (the tolerance steps are hidden under their fields).
        std::vector<const QWidget*> shown;
        for (const NamedControl& control : ALL_CONTROLS) {
            const QString name = QLatin1String(control.Name);
            if (!name.endsWith(QLatin1String("_STEP"))) {
                shown.push_back(window.Control(control.Id));
            }
        }
        for (std::size_t first = 0; first < shown.size(); ++first) {
            for (std::size_t second = first + 1; second < shown.size(); ++second) {
                if (shown[first]->parentWidget() == shown[second]->parentWidget()) {
                    EXPECT_FALSE(shown[first]->geometry().intersects(shown[second]->geometry()))
                        << shown[first]->objectName().toStdString() << " overlaps "
                        << shown[second]->objectName().toStdString();
                }
            }
        }
    }
}

TEST(MainWindow, GrowsWithItsFont) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    QFont font = window.font();
    font.setPointSize(9);
    window.setFont(font);
    const QSize small = window.size();
    font.setPointSize(18);
    window.setFont(font);
    const QSize large = window.size();
    EXPECT_GT(large.width(), small.width() * 3 / 2);
    EXPECT_GT(large.height(), small.height() * 3 / 2);
}

TEST(MainWindow, PushThenPullGivesTheSameValuesAndDispatchesNothing) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    FillCombos(window);
    const PanelValues pushed = DistinctValues();

    std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> spies;
    for (const NamedControl& control : ALL_CONTROLS) {
        QWidget* widget = window.Control(control.Id);
        for (const char* signal : {SIGNAL(clicked(bool)), SIGNAL(toggled(bool)),
                                   SIGNAL(activated(int)), SIGNAL(currentIndexChanged(int)),
                                   SIGNAL(textChanged(QString)), SIGNAL(valueChanged(int))}) {
            if (widget->metaObject()->indexOfSignal(QMetaObject::normalizedSignature(signal + 1)) >=
                0) {
                spies.emplace_back(widget->objectName(),
                                   std::make_unique<QSignalSpy>(widget, signal));
            }
        }
    }

    window.Push(pushed);
    PanelValues pulled;
    ASSERT_TRUE(window.Pull(pulled));
    EXPECT_EQ(pulled, pushed);

    // And back to "nothing selected" everywhere.
    window.Push(PanelValues{});
    ASSERT_TRUE(window.Pull(pulled));
    EXPECT_EQ(pulled, PanelValues{});

    for (const auto& [name, spy] : spies) {
        EXPECT_EQ(spy->count(), 0) << spy->signal().toStdString() << " of " << name.toStdString();
    }
}

TEST(MainWindow, PullRejectsAStepThatIsNotANumberAndKeepsTheValues) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    CModalDismisser dismisser;
    static_cast<QLineEdit*>(window.Control(IDC_TOLERANCE_GREEN_STEP))->setText("x");
    PanelValues values = DistinctValues();
    EXPECT_FALSE(window.Pull(values));
    EXPECT_EQ(values, DistinctValues());
    EXPECT_EQ(dismisser.Texts(), QStringList{QStringLiteral("Please enter an integer.")});
}

TEST(MainWindow, StartsOnTheStoredPortAndUserActionsReachTheController) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    window.Start();
    CSpectrelDlg& controller = window.Controller();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(StatusText(window), QStringLiteral("Waiting for Spectrel..."));
    EXPECT_EQ(static_cast<QComboBox*>(window.Control(IDC_PORT))->currentText(), "COM1");
    EXPECT_EQ(window.Control(IDC_PORT)->toolTip().toStdString(), fixture.Line.SlavePath());

    // Display mode: the chart style and its 80 % / 20 % labels follow the click.
    auto* chart = static_cast<CRGBChart*>(window.Control(IDC_CHART));
    // A radio button takes clicks on its indicator and caption, at its left end.
    const auto clickRadio = [&](ControlId id) {
        QWidget* radio = window.Control(id);
        QTest::mouseClick(radio, Qt::LeftButton, {}, QPoint(4, radio->height() / 2));
    };
    clickRadio(IDC_DISPLAY_COLOR_ONLY);
    EXPECT_EQ(controller.Values().DisplayMode, 1);
    EXPECT_EQ(chart->ChartStyle(), CRGBChart::Style::Pie);
    EXPECT_FALSE(window.Control(IDC_LABEL_80)->isVisible());
    clickRadio(IDC_DISPLAY_COLOR_LUMINOSITY);
    EXPECT_EQ(chart->ChartStyle(), CRGBChart::Style::Bar);
    EXPECT_TRUE(window.Control(IDC_LABEL_80)->isVisible());

    // A warnings item toggles its bit, and its check mark shows the mask.
    QAction* sensorWarnings = window.MenuAction(ID_WARNINGS_SENSOR);
    ASSERT_TRUE(sensorWarnings->isChecked());
    sensorWarnings->trigger();
    EXPECT_EQ(controller.WarningsMask() & 2, 0);
    EXPECT_FALSE(sensorWarnings->isChecked());

    // Choosing another port in the combo switches to it.
    auto* port = static_cast<QComboBox*>(window.Control(IDC_PORT));
    CModalDismisser dismisser;
    port->setCurrentIndex(1);
    emit port->activated(1);
    EXPECT_EQ(controller.PortName(), "COM2");

    // Items of later commands are shown but greyed; the File commands are not.
    for (MenuCommand item : {ID_LOGGING_START, ID_LOGGING_STOP, ID_LOGGING_SETTINGS}) {
        EXPECT_FALSE(window.MenuAction(item)->isEnabled()) << item;
    }
    for (MenuCommand item :
         {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_EXIT}) {
        EXPECT_TRUE(window.MenuAction(item)->isEnabled()) << item;
    }
}

namespace {

// A started window whose COM1 is an unpaced virtual sensor.
struct WindowOnVirtualSensor {
    WindowOnVirtualSensor() : sensor(Unpaced()), fixture(Started(sensor)) {
        fixture.Window->Start();
    }
    static SimConfig Unpaced() {
        SimConfig config;
        config.Pacing = false;
        return config;
    }
    // Whether it started shows in PluggedIn(), which each test asserts.
    static std::string Started(VirtualSensor& unstarted) {
        static_cast<void>(unstarted.Start());
        return unstarted.SlavePath();
    }
    QString Field(ControlId id) const {
        return static_cast<QLineEdit*>(fixture.Window->Control(id))->text();
    }

    VirtualSensor sensor;
    CPanelFixture fixture;
};

} // namespace

TEST(MainWindow, FindsTheVirtualSensorShowsItsReadingAndReadsItAgainAfterReset) {
    WindowOnVirtualSensor rig;
    ASSERT_TRUE(rig.sensor.PluggedIn()) << rig.sensor.Error();
    CMainWindow& window = *rig.fixture.Window;
    const auto onLine = [&] { return StatusText(window) == QStringLiteral("Spectrel-4 on line"); };
    const auto field = [&](ControlId id) { return rig.Field(id); };
    ASSERT_TRUE(WaitForEvents(onLine, std::chrono::seconds(10)));
    EXPECT_EQ(field(IDC_SERIAL_NUMBER), QStringLiteral("SIM0000000000001"));
    EXPECT_TRUE(WaitForEvents([&] { return field(IDC_READING_RED) == QStringLiteral("40.0"); }));
    EXPECT_TRUE(window.Control(IDC_RECOGNIZED_4)->isVisible());
    EXPECT_FALSE(window.Control(IDC_RECOGNIZED_5)->isVisible());

    QTest::mouseClick(window.Control(IDC_RESET), Qt::LeftButton);
    EXPECT_EQ(StatusText(window), QStringLiteral("Waiting for Spectrel..."));
    EXPECT_TRUE(field(IDC_SERIAL_NUMBER).isEmpty());
    EXPECT_TRUE(WaitForEvents(onLine, std::chrono::seconds(10)));
    EXPECT_EQ(field(IDC_SERIAL_NUMBER), QStringLiteral("SIM0000000000001"));
}

// Readings arrive every polling period and push every value: a field the user is working in
// keeps its selection (and caret) when its value has not changed.
TEST(MainWindow, ReadingsLeaveTheSelectionInTheIlluminationFieldAlone) {
    WindowOnVirtualSensor rig;
    ASSERT_TRUE(rig.sensor.PluggedIn()) << rig.sensor.Error();
    const auto red = [&] { return rig.Field(IDC_READING_RED); };
    ASSERT_TRUE(WaitForEvents([&] { return red() == QStringLiteral("40.0"); }, 10s));
    auto* illumination = static_cast<QLineEdit*>(rig.fixture.Window->Control(IDC_ILLUMINATION));
    illumination->selectAll();
    ASSERT_TRUE(illumination->hasSelectedText());
    const QString selected = illumination->selectedText();

    for (const double target : {50.0, 60.0}) {
        rig.sensor.SetTarget(target, 30.0, 20.0);
        const QString shown = QString::number(target, 'f', 1);
        ASSERT_TRUE(WaitForEvents([&] { return red() == shown; }, 5s));
    }
    EXPECT_EQ(illumination->selectedText(), selected);
}

TEST(MainWindow, EveryEditingControlReachesItsHandler) {
    CSensorPanel panel;
    ASSERT_NO_FATAL_FAILURE(panel.Open());
    CMainWindow& window = panel.Window();
    const CSpectrelDlg& controller = window.Controller();
    const PanelValues& values = controller.Values();
    const auto text = [&](ControlId id) {
        return static_cast<QLineEdit*>(window.Control(id))->text();
    };
    const auto clickAtLeft = [&](ControlId id) {
        QWidget* button = window.Control(id);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
    };
    const auto key = [&](ControlId id, Qt::Key pressed) {
        window.Control(id)->setFocus();
        QTest::keyClick(window.Control(id), pressed);
    };

    // "Sensor Settings": a changed value offers the sensor's values back through the read
    // button, which fetches them again.
    const int averaging = values.AveragingIndex;
    key(IDC_AVERAGING, Qt::Key_Down);
    EXPECT_EQ(values.AveragingIndex, averaging + 1);
    EXPECT_TRUE(window.Control(IDC_READ_SETTINGS)->isEnabled());
    QTest::mouseClick(window.Control(IDC_READ_SETTINGS), Qt::LeftButton);
    EXPECT_TRUE(WaitForEvents([&] { return values.AveragingIndex == averaging; }));
    clickAtLeft(IDC_TRIGGER_EDGE);
    EXPECT_EQ(values.TriggeringIndex, 2);
    key(IDC_OUTPUT_DURATION, Qt::Key_Down);
    EXPECT_EQ(values.OutputDurationIndex, 1);
    key(IDC_ILLUMINATION_SLIDER, Qt::Key_Left);
    EXPECT_EQ(values.Illumination, 99);
    EXPECT_EQ(text(IDC_ILLUMINATION), QStringLiteral(" 99"));
    auto* illumination = static_cast<QLineEdit*>(window.Control(IDC_ILLUMINATION));
    illumination->setFocus();
    illumination->selectAll();
    QTest::keyClicks(illumination, QStringLiteral("250"));
    window.Control(IDC_AVERAGING)->setFocus();
    EXPECT_EQ(text(IDC_ILLUMINATION), QStringLiteral("100")) << "taken when the field is left";
    EXPECT_EQ(static_cast<QSlider*>(window.Control(IDC_ILLUMINATION_SLIDER))->value(), 100);

    // "Color Recognition Channels", on the selected channel.
    ASSERT_EQ(values.SelectedChannel, 0);
    key(IDC_TOLERANCE_RED_SPIN, Qt::Key_Up);
    EXPECT_EQ(text(IDC_TOLERANCE_RED), QStringLiteral(" 1.0"));
    EXPECT_EQ(controller.Channel(0).RedTolerance, 1.0);
    clickAtLeft(IDC_MODE_COLOR_LUMINOSITY);
    EXPECT_EQ(controller.Channel(0).Mode, 0);
    EXPECT_FALSE(text(IDC_LUMINOSITY).isEmpty());
    clickAtLeft(IDC_MODE_COLOR_ONLY);
    EXPECT_EQ(controller.Channel(0).Mode, 1);
    const int enabled = controller.Channel(0).Enabled;
    clickAtLeft(IDC_CHANNEL_ENABLED);
    EXPECT_NE(controller.Channel(0).Enabled, enabled);
    clickAtLeft(IDC_OUTPUT_LOW);
    EXPECT_EQ(controller.Channel(0).MatchOutput, 1);
    clickAtLeft(IDC_OUTPUT_HIGH);
    EXPECT_EQ(controller.Channel(0).MatchOutput, 0);
    EXPECT_TRUE(window.Control(IDC_READ_ALL_CHANNELS)->isEnabled());
    key(IDC_CHANNEL, Qt::Key_Down);
    EXPECT_EQ(values.SelectedChannel, 1);
}

TEST(MainWindow, EnterPressesTheFocusedButtonAndNeitherKeyClosesTheWindow) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    window.Start();
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(&window, key);
        QTest::keyClick(window.Control(IDC_RESET), key);
    }
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(StatusText(window), QStringLiteral("Waiting for Spectrel..."));

    // Enter in a field does nothing; on the focused Reset it looks for the sensor again.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QString notFound = QStringLiteral("No Spectrel found!");
    for (const auto& [id, key, status] :
         {std::tuple{IDC_ILLUMINATION, Qt::Key_Return, notFound},
          {IDC_RESET, Qt::Key_Return, QStringLiteral("Waiting for Spectrel...")},
          {IDC_RESET, Qt::Key_Enter, QStringLiteral("Waiting for Spectrel...")}}) {
        window.SensorTarget().Post(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_IDENTIFY);
        ASSERT_TRUE(WaitForEvents([&] { return StatusText(window) == notFound; }));
        window.Control(id)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(StatusText(window).toStdString(), status.toStdString())
            << window.Control(id)->objectName().toStdString();
    }
}

TEST(MainWindow, NotificationsWaitWhileTheControllerShowsAModalBox) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    window.Start();
    ASSERT_EQ(StatusText(window), QStringLiteral("Waiting for Spectrel..."));

    // While the about box runs its own event loop, an identify time-out is posted and the
    // event loop runs; the controller must not see it until the box is closed.
    QString statusWhileOpen;
    QTimer::singleShot(50, [&] {
        window.SensorTarget().Post(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_IDENTIFY);
        WaitForEvents([] { return false; }, std::chrono::milliseconds(100));
        statusWhileOpen = StatusText(window);
        QApplication::activeModalWidget()->close();
    });
    window.MenuAction(ID_HELP_ABOUT)->trigger();
    EXPECT_EQ(statusWhileOpen, QStringLiteral("Waiting for Spectrel..."));
    EXPECT_EQ(StatusText(window), QStringLiteral("No Spectrel found!"));
}

// The readings go on behind a box left open: the display follows the target meanwhile.
TEST(MainWindow, ReadingsGoOnWhileAModalBoxIsOpen) {
    WindowOnVirtualSensor rig;
    ASSERT_TRUE(rig.sensor.PluggedIn()) << rig.sensor.Error();
    const auto red = [&] { return rig.Field(IDC_READING_RED); };
    ASSERT_TRUE(WaitForEvents([&] { return red() == QStringLiteral("40.0"); }, 10s));
    bool followed = false;
    QTimer::singleShot(0, [&] {
        rig.sensor.SetTarget(55.0, 30.0, 20.0);
        followed = WaitForEvents([&] { return red() == QStringLiteral("55.0"); });
        QApplication::activeModalWidget()->close();
    });
    rig.fixture.Window->MenuAction(ID_HELP_ABOUT)->trigger();
    EXPECT_TRUE(followed);
}

TEST(MainWindow, ClosingShutsTheControllerDownOnceEvenFromInsideAModalBox) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    int closed = 0;
    QObject::connect(&window, &CMainWindow::Closed, [&] { ++closed; });
    window.Start();

    // A close request (SIGTERM, say) while the about box is open dismisses the box and closes
    // the window once the controller has returned.
    QTimer::singleShot(50, [&] { window.close(); });
    window.MenuAction(ID_HELP_ABOUT)->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(window.Controller().Sensor(), nullptr) << "the sensor proxy is released";
    EXPECT_TRUE(QFile::exists(fixture.PreferencesPath())) << "the preferences are saved";

    // Nothing reaches the shut-down controller any more.
    const int mask = window.Controller().WarningsMask();
    window.MenuAction(ID_WARNINGS_SENSOR)->trigger();
    window.SensorTarget().Post(WM_SENSOR_TIMEOUT, SENSOR_TIMEOUT_IDENTIFY);
    window.close();
    WaitForEvents([] { return false; }, std::chrono::milliseconds(50));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(window.Controller().WarningsMask(), mask);
}

TEST(MainWindow, FileExitClosesThroughTheSamePath) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    int closed = 0;
    QObject::connect(&window, &CMainWindow::Closed, [&] { ++closed; });
    window.Start();
    window.MenuAction(ID_FILE_EXIT)->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(closed, 1);
}

TEST(MainWindow, RichStatusMakesTheFirstCharactersBold) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    window.SetRichStatus("Spectrel-4 on line", 10);
    auto* status = static_cast<QTextEdit*>(window.Control(IDC_COMM_STATUS));
    EXPECT_EQ(status->toPlainText(), QStringLiteral("Spectrel-4 on line"));
    QTextCursor cursor(status->document());
    cursor.setPosition(10);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold) << "last bold character";
    cursor.setPosition(11);
    EXPECT_NE(cursor.charFormat().fontWeight(), QFont::Bold) << "the blank after it";
    EXPECT_EQ(status->textCursor().position(), 18) << "caret after the last character";

    window.SetRichStatus("Communication lost!", 0);
    cursor = QTextCursor(status->document());
    cursor.setPosition(1);
    EXPECT_NE(cursor.charFormat().fontWeight(), QFont::Bold);
}

TEST(MainWindow, TabWalksTheAreasInOrderAndFieldsAreNamedForScreenReaders) {
    CPanelFixture fixture;
    CMainWindow& window = *fixture.Window;
    window.Start();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Control(IDC_AVERAGING)->setFocus();

    std::vector<int> areas;
    QWidget* first = QApplication::focusWidget();
    ASSERT_EQ(first, window.Control(IDC_AVERAGING));
    for (int step = 0; step < 80; ++step) {
        areas.push_back(AreaOf(QApplication::focusWidget()));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (QApplication::focusWidget() == first) {
            break;
        }
    }
    EXPECT_TRUE(std::is_sorted(areas.begin(), areas.end()));
    EXPECT_EQ(std::set<int>(areas.begin(), areas.end()), (std::set<int>{0, 1, 2, 3}));

    // Inputs are labelled by their captions; read-only fields carry a name that does not hide
    // their text.
    for (const auto& [id, caption] : {std::pair{IDC_PORT, "Port"},
                                      {IDC_AVERAGING, "Averaging"},
                                      {IDC_OUTPUT_DURATION, "Minimum Output Duration (ms)"},
                                      {IDC_CHANNEL, "Channel"},
                                      {IDC_ILLUMINATION, "Illumination (%)"}}) {
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(window.Control(id));
        QStringList labels;
        for (const auto& [label, relation] : field->relations(QAccessible::Label)) {
            labels << label->text(QAccessible::Name);
        }
        EXPECT_TRUE(labels.contains(QLatin1String(caption))) << caption;
    }
    window.SetRichStatus("Waiting for Spectrel...", 0);
    PanelValues values;
    values.ReadingTexts = {"40.0", "30.0", "20.0"};
    values.RecognizedTexts[0] = "High";
    values.FirstRowLabel = "Channel";
    window.Push(values);
    for (const auto& [id, name, text] :
         {std::tuple{IDC_READING_RED, "Red reading", "40.0"},
          {IDC_READING_BLUE, "Blue reading", "20.0"},
          {IDC_RECOGNIZED_1, "Channel recognized", "High"},
          {IDC_SERIAL_NUMBER, "Serial number", ""},
          {IDC_COMM_STATUS, "Communication status", "Waiting for Spectrel..."}}) {
        QAccessibleInterface* field = QAccessible::queryAccessibleInterface(window.Control(id));
        EXPECT_EQ(field->text(QAccessible::Name), QLatin1String(name));
        EXPECT_FALSE(field->text(QAccessible::Description).isEmpty()) << name;
        const QString shown =
            field->textInterface() != nullptr
                ? field->textInterface()->text(0, field->textInterface()->characterCount())
                : field->text(QAccessible::Value);
        EXPECT_EQ(shown, QLatin1String(text)) << name;
    }
}
