#include <QApplication>
#include <QClipboard>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "GuiSupport.h"
#include "panel/SpectrelDlg.h"
#include "panel/qt/MainWindow.h"
#include "sensor/SensorRecords.h"
#include "teach/ManualEntryDlg.h"
#include "teach/MultiSampleTeachDlg.h"
#include "teach/qt/ManualEntryDialog.h"
#include "teach/qt/MultiSampleTeachDialog.h"
#include "widgets/qt/NumericEdit.h"

namespace {

constexpr int NOT_CLOSED = -1;

// Runs the dialog modally and, once it is the active window, plays the user with `act`. A
// dialog the user's part did not close ends with NOT_CLOSED after a few seconds.
template <class Dialog> int RunWith(Dialog& dialog, const std::function<void()>& act) {
    QTimer::singleShot(0, &dialog, [&dialog, act] {
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        act();
    });
    QTimer::singleShot(5000, &dialog, [&dialog] { dialog.QDialog::done(NOT_CLOSED); });
    return dialog.exec();
}

TEST(NumericEditView, KeysAndClipboardGoThroughTheBehaviour) {
    CNumericBehavior behavior(-3, 1, NumericSymbols{'-', '.', ','});
    behavior.ModifyFlags(CNumericBehavior::AddDecimalAfterMaxWhole, 0);
    CNumericEdit edit(behavior, nullptr);
    edit.show();
    edit.setFocus();
    QTest::keyClicks(&edit, "1a-2,34");
    EXPECT_EQ(edit.text(), QStringLiteral("123.4"));
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), QStringLiteral("123"));
    EXPECT_EQ(behavior.Text(), "123");

    edit.selectAll();
    QApplication::clipboard()->setText(QStringLiteral("12a,3"));
    QTest::keySequence(&edit, QKeySequence::Paste);
    EXPECT_EQ(edit.text(), QStringLiteral("123")) << "the comma is no decimal point here";

    behavior.SetText("7.5");
    EXPECT_EQ(edit.text(), QStringLiteral("7.5")) << "a text the program sets is shown";
    edit.setText(QStringLiteral("x-12.34"));
    EXPECT_EQ(behavior.Text(), "12.3") << "a text set on the edit itself is filtered";
    EXPECT_EQ(edit.text(), QStringLiteral("12.3"));
    edit.SetBackgroundColor(Qt::white);
    EXPECT_EQ(edit.palette().color(QPalette::Base), QColor(Qt::white));
}

TEST(ManualEntryView, FieldsAreNamedInTabOrderAndEnterPressesOk) {
    CManualEntryDlg controller;
    controller.SetValues(MODE_COLOR_ONLY, {40, 40, 20, 10, 10, 10});
    CManualEntryDialog dialog(controller, nullptr);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Manual Entry"));
    EXPECT_EQ(dialog.Group()->title(), QStringLiteral("Color Only"));
    EXPECT_TRUE(dialog.Field(FIELD_BLUE)->isReadOnly());
    const char* const names[] = {"Red color",     "Green color",     "Blue color",
                                 "Red tolerance", "Green tolerance", "Blue tolerance"};
    for (int field = 0; field < MANUAL_FIELDS; ++field) {
        EXPECT_EQ(dialog.Field(static_cast<ManualField>(field))->accessibleName(),
                  QString::fromLatin1(names[field]));
    }
    const int result = RunWith(dialog, [&] {
        dialog.Field(FIELD_RED)->setFocus();
        EXPECT_EQ(QApplication::focusWidget(), dialog.Field(FIELD_RED));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), dialog.Field(FIELD_GREEN));
        QTest::keyClicks(dialog.Field(FIELD_GREEN), "25");
        QTest::keyClick(dialog.Field(FIELD_GREEN), Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(controller.GetValues()[FIELD_GREEN], 25.0);
    EXPECT_EQ(controller.GetValues()[FIELD_BLUE], 35.0) << "OK left green, which completes blue";
}

TEST(ManualEntryView, EscapeCancels) {
    CManualEntryDlg controller;
    controller.SetValues(MODE_COLOR_LUMINOSITY, {40, 40, 20, 10, 10, 10});
    CManualEntryDialog dialog(controller, nullptr);
    EXPECT_EQ(dialog.Group()->title(), QStringLiteral("Color && Luminosity"));
    EXPECT_EQ(dialog.Field(FIELD_RED)->text(), QStringLiteral("40.0"));
    const int result =
        RunWith(dialog, [&] { QTest::keyClick(dialog.Field(FIELD_RED), Qt::Key_Escape); });
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST(MultiSampleTeachView, TenNamedTeachButtonsFirstEnabledAndOkCloses) {
    CPanelFixture panel;
    CMultiSampleTeachDlg controller(panel.Window->Controller());
    CMultiSampleTeachDialog dialog(controller, panel.Window.get());
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Multi-Sample Teach "));
    for (int row = 0; row < SAMPLE_ROWS; ++row) {
        EXPECT_EQ(dialog.TeachButton(row)->text(), QStringLiteral("Teach"));
        EXPECT_EQ(dialog.TeachButton(row)->accessibleName(),
                  QStringLiteral("Teach sample %1").arg(row + 1));
        EXPECT_EQ(dialog.TeachButton(row)->isEnabled(), row == 0);
        EXPECT_TRUE(dialog.SampleField(row, 2)->isReadOnly());
    }
    EXPECT_EQ(dialog.ResultField(true, 0)->accessibleName(), QStringLiteral("Red tolerance"));
    const int result = RunWith(dialog, [&] {
        EXPECT_EQ(QApplication::focusWidget(), dialog.TeachButton(0)) << "opens on Teach";
        dialog.SampleField(0, 0)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted) << "Enter in a field presses OK";
}

// Enter on the focused Teach button takes a sample, again and again; OK sends their result.
TEST(MultiSampleTeachView, EnterOnTheFocusedTeachButtonTakesASample) {
    CSensorPanel panel;
    ASSERT_NO_FATAL_FAILURE(panel.Open());
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<CMultiSampleTeachDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTimer::singleShot(10000, dialog, [dialog] { dialog->QDialog::done(NOT_CLOSED); });
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        EXPECT_TRUE(WaitForEvents([&] { return dialog->TeachButton(0)->hasFocus(); }));
        for (int row = 0; row < 2; ++row) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            EXPECT_TRUE(WaitForEvents([&] { return dialog->TeachButton(row + 1)->isEnabled(); }));
            EXPECT_FALSE(dialog->SampleField(row, 0)->text().isEmpty()) << row;
        }
        dialog->accept();
    });
    QTest::mouseClick(panel.Window().Control(IDC_MULTI_SAMPLE_TEACH), Qt::LeftButton);
    EXPECT_EQ(panel.Window().Controller().Channel(0).RedTolerance, 0.5);
}

TEST(MultiSampleTeachView, EscapeCancels) {
    CPanelFixture panel;
    CMultiSampleTeachDlg controller(panel.Window->Controller());
    CMultiSampleTeachDialog dialog(controller, panel.Window.get());
    const int result = RunWith(dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_EQ(result, QDialog::Rejected);
}

} // namespace
