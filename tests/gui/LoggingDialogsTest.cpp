// The custom-button box and "Data Logging Settings" on the screen.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "logging/qt/LogSettingsWindow.h"
#include "panel/SpectrelDlg.h"
#include "panel/qt/MainWindow.h"
#include "sim/VirtualSensor.h"
#include "support/FileText.h"
#include "widgets/qt/XMessageBox.h"

namespace {

template <typename T> std::vector<T*> ByX(QWidget* parent) {
    auto children = parent->findChildren<T*>();
    std::vector<T*> sorted(children.begin(), children.end());
    std::sort(sorted.begin(), sorted.end(), [](T* a, T* b) { return a->x() < b->x(); });
    return sorted;
}

QPushButton* Button(QWidget* parent, const QString& text) {
    for (QPushButton* button : parent->findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

} // namespace

// The log-file question: Overwrite, Append, Cancel of equal width in one row, Overwrite
// focused; Escape and the close box do nothing; a long path wraps within its width.
TEST(XMessageBox, TheLogFileQuestionWaitsForOneOfItsButtons) {
    const std::string path = "/home/technician/" + std::string(400, 'x') + ".csv";
    XMessageBoxParams params;
    params.CustomButtons = "Overwrite\nAppend\nCancel";
    bool checked = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Spectrel"));
        const auto buttons = ByX<QPushButton>(box);
        ASSERT_EQ(buttons.size(), 3u);
        EXPECT_EQ(buttons[0]->text(), QStringLiteral("Overwrite"));
        EXPECT_EQ(buttons[1]->text(), QStringLiteral("Append"));
        EXPECT_EQ(buttons[2]->text(), QStringLiteral("Cancel"));
        EXPECT_EQ(buttons[0]->width(), buttons[2]->width());
        EXPECT_EQ(buttons[0]->y(), buttons[2]->y());
        EXPECT_EQ(box->focusWidget(), buttons[0]);
        // The text wraps within half the screen plus 80 pixels, less the icon's room.
        EXPECT_LE(box->width(), box->screen()->geometry().width() / 2 + 80 + 28);

        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_FALSE(box->close());
        EXPECT_TRUE(box->isVisible());
        checked = true;
        buttons[1]->click();
    });
    EXPECT_EQ(XMessageBox(nullptr, "The log file:\n" + path + "\nexists.  What do you want to do?",
                          "Spectrel", XMB_ICON_EXCLAMATION, &params),
              24);
    EXPECT_TRUE(checked);
}

namespace {

// Asks the log-file question and, once the box is the active window, plays the user with
// `act`. A box the user's part did not close gives 0 after a few seconds.
int AskLogFileQuestion(const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QTimer::singleShot(5000, box, [box] { box->done(0); });
        box->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(box));
        act(box);
    });
    XMessageBoxParams params;
    params.CustomButtons = "Overwrite\nAppend\nCancel";
    return XMessageBox(nullptr, "The log file:\n/tmp/a.csv\nexists.  What do you want to do?",
                       "Spectrel", XMB_ICON_EXCLAMATION, &params);
}

} // namespace

// Enter presses the focused button, Overwrite while the box keeps its opening focus; a
// screen reader finds the question as the box's description and as a label in it.
TEST(XMessageBox, EnterPressesTheFocusedButtonAndTheQuestionIsReadOut) {
    const auto keys = [](std::vector<Qt::Key> pressed) {
        return [pressed](QWidget*) {
            for (const Qt::Key key : pressed) {
                QTest::keyClick(QApplication::focusWidget(), key);
            }
        };
    };
    EXPECT_EQ(AskLogFileQuestion(keys({Qt::Key_Return})), 23);
    EXPECT_EQ(AskLogFileQuestion(keys({Qt::Key_Tab, Qt::Key_Return})), 24);
    EXPECT_EQ(AskLogFileQuestion(keys({Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Enter})), 25);

    const QString question =
        QStringLiteral("The log file:\n/tmp/a.csv\nexists.  What do you want to do?");
    QStringList labels;
    QString description;
    AskLogFileQuestion([&](QWidget* box) {
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(box);
        description = read->text(QAccessible::Description);
        for (int child = 0; child < read->childCount(); ++child) {
            if (read->child(child)->role() == QAccessible::StaticText) {
                labels << read->child(child)->text(QAccessible::Name);
            }
        }
        Button(box, QStringLiteral("Cancel"))->click();
    });
    EXPECT_EQ(description.toStdString(), question.toStdString());
    EXPECT_TRUE(labels.contains(question)) << labels.join(QLatin1Char('|')).toStdString();
}

// The interval edit follows the radios; OK refuses an empty interval and keeps the dialog open.
TEST(LogSettingsWindow, OkTakesTheSettingsOnceTheIntervalIsAnInteger) {
    CLogSettingsWindow dialog({"/tmp/line.csv", LOG_ON_MATCH, 4}, nullptr);
    const auto edits = ByX<QLineEdit>(&dialog);
    ASSERT_EQ(edits.size(), 2u);
    QLineEdit* file = edits[0];
    QLineEdit* interval = edits[1];
    EXPECT_EQ(file->text(), QStringLiteral("/tmp/line.csv"));
    EXPECT_EQ(interval->text(), QStringLiteral("4"));
    EXPECT_FALSE(interval->isEnabled());

    const auto radios = dialog.findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 3);
    QRadioButton* onInterval = radios[2];
    ASSERT_EQ(onInterval->text(), QStringLiteral("Log on interval"));
    onInterval->click();
    EXPECT_TRUE(interval->isEnabled());

    dialog.show();
    interval->clear();
    {
        CModalDismisser dismisser;
        Button(&dialog, QStringLiteral("OK"))->click();
        EXPECT_EQ(dismisser.Texts(), QStringList{QStringLiteral("Please enter an integer.")});
    }
    EXPECT_TRUE(dialog.isVisible());
    interval->setText(QStringLiteral("12"));
    Button(&dialog, QStringLiteral("OK"))->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Settings(), (LogSettings{"/tmp/line.csv", LOG_ON_INTERVAL, 12}));
}

// However a radio gets checked (here a screen reader's toggle action) the interval edit
// follows it.
TEST(LogSettingsWindow, TheIntervalFollowsARadioToggledByAScreenReader) {
    CLogSettingsWindow dialog({"/tmp/line.csv", LOG_CONTINUOUS, 4}, nullptr);
    const auto radios = dialog.findChildren<QRadioButton*>();
    ASSERT_EQ(radios.size(), 3);
    QLineEdit* interval = ByX<QLineEdit>(&dialog)[1];
    const auto toggle = [](QRadioButton* radio) {
        QAccessibleActionInterface* actions =
            QAccessible::queryAccessibleInterface(radio)->actionInterface();
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        actions->doAction(QAccessibleActionInterface::toggleAction());
    };
    toggle(radios[2]);
    EXPECT_TRUE(radios[2]->isChecked());
    EXPECT_TRUE(interval->isEnabled());
    toggle(radios[1]);
    EXPECT_FALSE(interval->isEnabled());
}

namespace {

// A ready window on a virtual sensor whose default log file already holds a line.
struct LoggingRig {
    void Open() {
        ASSERT_TRUE(sensor.Start()) << sensor.Error();
        std::ofstream(log, std::ios::binary) << "earlier\r\n";
        // The default log lies in the working directory of the window's start.
        const QString previous = QDir::currentPath();
        QDir::setCurrent(logFolder.path());
        fixture = std::make_unique<CPanelFixture>(sensor.SlavePath());
        QDir::setCurrent(previous);
        fixture->Window->Start();
        ASSERT_TRUE(WaitForEvents([&] { return fixture->Window->Controller().IsPanelReady(); },
                                  std::chrono::seconds(10)));
    }
    static SimConfig Unpaced() {
        SimConfig config;
        config.Pacing = false;
        return config;
    }

    VirtualSensor sensor{Unpaced()};
    QTemporaryDir logFolder;
    const std::string log = logFolder.filePath(QStringLiteral("SpectrelLog.csv")).toStdString();
    std::unique_ptr<CPanelFixture> fixture;
};

} // namespace

// From the menu: Start on an existing file asks, Append keeps what it held, the status bar
// turns while readings are logged, Stop ends it.
TEST(MainWindowLogging, StartAppendsAfterTheQuestionAndStopEnds) {
    LoggingRig rig;
    ASSERT_NO_FATAL_FAILURE(rig.Open());
    CMainWindow& window = *rig.fixture->Window;
    const std::string& log = rig.log;
    QAction* start = window.MenuAction(ID_LOGGING_START);
    ASSERT_TRUE(start->isEnabled());

    QString question;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        question =
            box->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly)->accessibleName();
        Button(box, QStringLiteral("Append"))->click();
    });
    start->trigger();
    EXPECT_EQ(question.toStdString(),
              "The log file:\n" + log + "\nexists.  What do you want to do?");
    ASSERT_TRUE(window.Controller().IsLoggingActive());
    auto* pane = window.statusBar()->findChild<QLabel*>();
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(WaitForEvents([&] {
        return pane->text().startsWith(QStringLiteral("Data Logging Active (Continuous)  "));
    }));
    EXPECT_TRUE(WaitForEvents([&] { return FileText(log).size() > 9 + 2 * 41; }));
    EXPECT_FALSE(start->isEnabled());
    window.MenuAction(ID_LOGGING_STOP)->trigger();
    EXPECT_EQ(pane->text(), QStringLiteral("Data logging inactive"));
    EXPECT_EQ(FileText(log).rfind("earlier\r\n", 0), 0u);
}

// A close request (a signal) while the log-file question is open, or a file dialog over "Data
// Logging Settings", answers each box as Cancel and shuts down as usual.
TEST(MainWindowLogging, ACloseRequestAnswersTheOpenBoxesAsCancelAndShutsDown) {
    for (const MenuCommand command : {ID_LOGGING_START, ID_LOGGING_SETTINGS}) {
        LoggingRig rig;
        ASSERT_NO_FATAL_FAILURE(rig.Open());
        CMainWindow& window = *rig.fixture->Window;
        int closed = 0;
        QObject::connect(&window, &CMainWindow::Closed, [&] { ++closed; });
        bool leftOpen = false;
        bool sawTheBox = false;
        QTimer::singleShot(5000, &window, [&] {
            leftOpen = true;
            while (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                box->done(0);
            }
        });
        // The close comes from inside the innermost box: the question, or the file dialog
        // opened by Browse.
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] {
                QWidget* box = QApplication::activeModalWidget();
                sawTheBox = command == ID_LOGGING_START
                                ? Button(box, QStringLiteral("Append")) != nullptr
                                : qobject_cast<QFileDialog*>(box) != nullptr;
                window.close();
            });
            if (command == ID_LOGGING_SETTINGS) {
                Button(QApplication::activeModalWidget(), QStringLiteral("Browse"))->click();
            }
        });
        window.MenuAction(command)->trigger();
        EXPECT_TRUE(sawTheBox) << command;
        EXPECT_FALSE(leftOpen);
        EXPECT_EQ(closed, 1);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_FALSE(window.Controller().IsLoggingActive());
        EXPECT_EQ(FileText(rig.log), "earlier\r\n");
        EXPECT_TRUE(QFile::exists(rig.fixture->PreferencesPath())) << "preferences saved";
    }
}
