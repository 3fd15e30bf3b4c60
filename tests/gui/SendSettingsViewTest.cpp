#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "panel/SpectrelDlg.h"
#include "panel/qt/MainWindow.h"
#include "sim/VirtualSensor.h"

namespace {

// What the illumination question showed, and the answer given to it.
struct Question {
    QString Title, Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons Buttons;
    QMessageBox::StandardButton Default = QMessageBox::NoButton;
};

// Answers the next message box with `answer` once it is open, noting what it showed.
void AnswerNextBox(Question& seen, QMessageBox::StandardButton answer) {
    QTimer::singleShot(50, [&seen, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        seen.Title = box->windowTitle();
        seen.Text = box->text();
        seen.Icon = box->icon();
        seen.Buttons = box->standardButtons();
        seen.Default = box->standardButton(box->defaultButton());
        box->button(answer)->click();
    });
}

} // namespace

// The illumination typed into the field counts for a Send clicked straight after (the click
// leaves the field first); the question shows the sensor's and the new value with Yes and No, No
// the default. No sends nothing; Yes sends, and the value read back stands in field and slider.
TEST(SendSettingsView, IlluminationQuestionAndTheFieldAndSliderInStep) {
    CSensorPanel panel;
    ASSERT_NO_FATAL_FAILURE(panel.Open());
    CMainWindow& window = panel.Window();
    VirtualSensor& sensor = panel.Sensor();
    const CSpectrelDlg& controller = window.Controller();
    auto* field = static_cast<QLineEdit*>(window.Control(IDC_ILLUMINATION));
    auto* slider = static_cast<QSlider*>(window.Control(IDC_ILLUMINATION_SLIDER));
    auto* send = window.Control(IDC_SEND_SETTINGS);
    ASSERT_EQ(slider->value(), 100);
    EXPECT_FALSE(send->isEnabled());

    // Another setting changed first, so that Send is offered while the field is being typed in.
    window.Control(IDC_AVERAGING)->setFocus();
    QTest::keyClick(window.Control(IDC_AVERAGING), Qt::Key_Down);
    ASSERT_TRUE(send->isEnabled());
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("75"));
    Question seen;
    AnswerNextBox(seen, QMessageBox::No);
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_EQ(slider->value(), 75);
    EXPECT_EQ(field->text(), QStringLiteral(" 75"));
    EXPECT_EQ(seen.Title, QStringLiteral("Confirm change in Illumination setting"));
    EXPECT_EQ(seen.Text, QStringLiteral("You are about to change the Illumination setting from "
                                        "100% to 75%.\nThis may affect the performance of one or "
                                        "more Color Recognition channels.\n\nAre you sure you "
                                        "wish to do this?"));
    EXPECT_EQ(seen.Icon, QMessageBox::Question);
    EXPECT_EQ(seen.Buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(seen.Default, QMessageBox::No);
    WaitForEvents([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(sensor.Settings().Illumination, 100U);
    EXPECT_TRUE(send->isEnabled());

    AnswerNextBox(seen, QMessageBox::Yes);
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_TRUE(WaitForEvents([&] { return controller.AreControlsEnabled(); }));
    EXPECT_EQ(sensor.Settings().Illumination, 75U);
    EXPECT_FALSE(send->isEnabled());
    EXPECT_EQ(slider->value(), 75);
    EXPECT_EQ(field->text(), QStringLiteral(" 75"));
}
