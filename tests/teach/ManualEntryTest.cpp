#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "sensor/SensorRecords.h"
#include "support/DecimalCommaLocale.h"
#include "support/FakeTeachViews.h"
#include "teach/ManualEntryDlg.h"

namespace {

class ManualEntryTest : public ::testing::Test {
protected:
    void Open(int mode, const CManualEntryDlg::Values& values) {
        m_dialog.SetValues(mode, values);
        ASSERT_TRUE(m_dialog.OnInitDialog(m_view));
    }
    std::string Text(ManualField field) { return m_dialog.Field(field).Text(); }
    void Retype(ManualField field, std::string_view keys) {
        CNumericBehavior& behavior = m_dialog.Field(field);
        behavior.SetSelection(0, behavior.Text().size());
        for (const char key : keys) {
            behavior.OnChar(key);
        }
    }
    // Leaves the field as the view does: the field's own checks, then the dialog's handler.
    FocusLossActions Leave(ManualField field) {
        const FocusLossActions actions = m_dialog.Field(field).OnKillFocus();
        if (field == FIELD_RED) {
            m_dialog.OnRedKillFocus();
        } else if (field == FIELD_GREEN) {
            m_dialog.OnGreenKillFocus();
        }
        return actions;
    }

    FakeManualEntryView m_view;
    CManualEntryDlg m_dialog;
};

TEST_F(ManualEntryTest, ColourOnlyCompletesBlueFromRedAndGreen) {
    Open(MODE_COLOR_ONLY, {0, 0, 0, 10, 10, 10});
    EXPECT_EQ(m_view.Caption, "Color Only");
    EXPECT_EQ(Text(FIELD_RED), "0.0");
    EXPECT_EQ(Text(FIELD_BLUE), "0.0");
    EXPECT_TRUE(m_dialog.Field(FIELD_BLUE).IsReadOnly());
    EXPECT_EQ(m_view.Background, (std::array<int, 4>{FIELD_BLUE, 255, 255, 255}));

    Retype(FIELD_RED, "30");
    EXPECT_EQ(Text(FIELD_GREEN), "");
    EXPECT_EQ(Text(FIELD_BLUE), "");
    Leave(FIELD_RED);
    EXPECT_EQ(m_dialog.Field(FIELD_GREEN).Maximum(), 70.0);
    Retype(FIELD_GREEN, "45");
    Leave(FIELD_GREEN);
    EXPECT_EQ(Text(FIELD_BLUE), "25.0");

    Retype(FIELD_GREEN, "80");
    const FocusLossActions left = Leave(FIELD_GREEN);
    EXPECT_TRUE(left.KeepFocus);
    EXPECT_EQ(left.Message, "Please specify a numeric value between 0 and 70.");
    EXPECT_EQ(Text(FIELD_BLUE), "25.0") << "red + green above 100 leaves blue";

    Retype(FIELD_RED, "150");
    EXPECT_EQ(Leave(FIELD_RED).Message, "Please specify a numeric value between 0 and 100.");
    EXPECT_EQ(Text(FIELD_RED), "150.0");
}

TEST_F(ManualEntryTest, ColourAndLuminosityBringsValuesIntoRangeAndOkKeepsThem) {
    Open(MODE_COLOR_LUMINOSITY, {40, 40, 20, 10, 2.5, 50});
    EXPECT_EQ(m_view.Caption, "Color && Luminosity");
    EXPECT_EQ(Text(FIELD_RED), "40.0");
    EXPECT_EQ(Text(FIELD_GREEN_TOLERANCE), "2.5");
    EXPECT_FALSE(m_dialog.Field(FIELD_BLUE).IsReadOnly());

    Retype(FIELD_RED, "150");
    FocusLossActions left = Leave(FIELD_RED);
    EXPECT_TRUE(left.Beep);
    EXPECT_FALSE(left.KeepFocus);
    EXPECT_EQ(Text(FIELD_RED), "100");
    EXPECT_EQ(Text(FIELD_GREEN), "40.0") << "red's changes clear nothing in this mode";

    Retype(FIELD_BLUE_TOLERANCE, "501");
    EXPECT_TRUE(Leave(FIELD_BLUE_TOLERANCE).Beep);
    EXPECT_EQ(Text(FIELD_BLUE_TOLERANCE), "50");
    m_dialog.Field(FIELD_RED_TOLERANCE).SetSelection(0, 4);
    m_dialog.Field(FIELD_RED_TOLERANCE).OnDelete();
    Leave(FIELD_RED_TOLERANCE);
    EXPECT_EQ(Text(FIELD_RED_TOLERANCE), "0.0");

    m_dialog.OnOK();
    EXPECT_EQ(m_view.Result, DIALOG_OK);
    EXPECT_EQ(m_dialog.GetValues(), (CManualEntryDlg::Values{100, 40, 20, 0, 2.5, 50}));
}

// The fields take only the locale's decimal separator, so they must also be filled with it.
TEST_F(ManualEntryTest, DecimalCommaLocaleOpensAndReadsTheValuesWithCommas) {
    const DecimalCommaLocaleGuard locale;
    if (locale.Name().empty()) {
        GTEST_SKIP() << NO_DECIMAL_COMMA_LOCALE;
    }
    CManualEntryDlg dialog;
    FakeManualEntryView view;
    dialog.SetValues(MODE_COLOR_LUMINOSITY, {40, 33.3, 5, 12.5, 0.5, 50});
    dialog.OnInitDialog(view);
    EXPECT_EQ(dialog.Field(FIELD_RED).Text(), "40,0");
    EXPECT_EQ(dialog.Field(FIELD_GREEN).Text(), "33,3");
    EXPECT_EQ(dialog.Field(FIELD_BLUE).Text(), "5,0");
    dialog.Field(FIELD_GREEN_TOLERANCE).SetSelection(0, 3);
    for (const char key : std::string_view("7,5")) {
        dialog.Field(FIELD_GREEN_TOLERANCE).OnChar(key);
    }
    dialog.OnOK();
    EXPECT_EQ(dialog.GetValues(), (CManualEntryDlg::Values{40, 33.3, 5, 12.5, 7.5, 50}));
}

} // namespace
