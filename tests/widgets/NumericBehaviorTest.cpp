#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <string_view>

#include "support/DecimalCommaLocale.h"
#include "widgets/NumericBehavior.h"

namespace {

using Field = CNumericBehavior;

constexpr NumericSymbols POINT{'-', '.', ','};
constexpr NumericSymbols COMMA{'-', ',', '.'};

void Type(Field& field, std::string_view keys) {
    for (const char key : keys) {
        field.OnChar(key);
    }
}

// The Manual Entry dialog's colour field of colour-and-luminosity mode.
Field ColourField(const NumericSymbols& symbols = POINT) {
    Field field(3, 1, symbols);
    field.ModifyFlags(Field::AddDecimalAfterMaxWhole | Field::PadDecimalsWithZeros |
                          Field::BeepIfInvalid | Field::AdjustIfInvalid,
                      0);
    field.AllowNegative(false);
    field.SetRange(0, 100);
    return field;
}

TEST(NumericTyping, DigitsFillTheWholePartThenTheDecimalsOnlyWithTheOption) {
    Field field = ColourField();
    Type(field, "1234");
    EXPECT_EQ(field.Text(), "123.4");
    Type(field, "5");
    EXPECT_EQ(field.Text(), "123.4") << "a full decimal part at the caret takes nothing";

    Field plain(3, 1, POINT);
    Type(plain, "1234");
    EXPECT_EQ(plain.Text(), "123");
    plain.SetSelection(1, 1);
    Type(plain, "9");
    EXPECT_EQ(plain.Text(), "193") << "a full whole part is overwritten at the caret";
    Type(plain, ".");
    EXPECT_EQ(plain.Text(), "19.3") << "the point splits the number at the caret";
    plain.SetSelection(3, 3);
    Type(plain, "7");
    EXPECT_EQ(plain.Text(), "19.7") << "a full decimal part is overwritten at the caret";
    EXPECT_EQ(plain.SelectionStart(), 4u);
}

TEST(NumericTyping, PointAndSignKeepTheTextOneNumber) {
    Field field(2, 2, POINT);
    Type(field, "12.3");
    field.SetSelection(0, 0);
    Type(field, ".");
    EXPECT_EQ(field.Text(), "12.3");
    EXPECT_EQ(field.SelectionStart(), 3u) << "a second point jumps behind the first";

    field.SetSelection(1, 1);
    Type(field, "-");
    EXPECT_EQ(field.Text(), "-12.3");
    EXPECT_EQ(field.SelectionStart(), 2u) << "the caret stays on the same digit";
    Type(field, "-");
    EXPECT_EQ(field.Text(), "12.3");
    EXPECT_EQ(field.SelectionStart(), 1u);

    Field narrow(1, 2, POINT);
    narrow.SetText(".12");
    narrow.SetSelection(0, 1);
    Type(narrow, "-");
    EXPECT_EQ(narrow.Text(), "-1") << "the sign over the point leaves no whole part too long";

    field.AllowNegative(false);
    field.SetText("12.3");
    field.SetSelection(0, 0);
    Type(field, "-x,");
    EXPECT_EQ(field.Text(), "12.3");
}

TEST(NumericTyping, DeletionAndClipboardRebuildTheText) {
    Field field(2, 1, POINT);
    Type(field, "12.3");
    field.SetSelection(2, 3);
    EXPECT_EQ(field.Cut(), ".");
    EXPECT_EQ(field.Text(), "12") << "the joined 3 does not fit the whole part";

    field.SetText("12.3");
    field.SetSelection(3, 3);
    field.OnBackspace();
    EXPECT_EQ(field.Text(), "12");
    field.SetSelection(0, 0);
    field.OnDelete();
    EXPECT_EQ(field.Text(), "2");

    field.SetText("");
    field.Paste("12a,3");
    EXPECT_EQ(field.Text(), "12");
    Field comma(3, 1, COMMA);
    comma.Paste("12a,3");
    EXPECT_EQ(comma.Text(), "12,3");
    Field point(3, 1, POINT);
    point.Paste("12a,3");
    EXPECT_EQ(point.Text(), "123");

    point.SetReadOnly(true);
    point.SetSelection(0, 3);
    point.OnDelete();
    Type(point, "9");
    EXPECT_EQ(point.Cut(), "");
    EXPECT_EQ(point.Text(), "123");
}

TEST(NumericFocusLoss, PadsAdjustsOrKeepsTheFocusAsTheOptionsSay) {
    Field colour = ColourField();
    FocusLossActions left = colour.OnKillFocus();
    EXPECT_EQ(colour.Text(), "0.0");
    EXPECT_FALSE(left.Beep);

    colour.SetText("150.0");
    left = colour.OnKillFocus();
    EXPECT_TRUE(left.Beep);
    EXPECT_FALSE(left.KeepFocus);
    EXPECT_EQ(colour.Text(), "100");

    Field tolerance(2, 1, POINT);
    tolerance.ModifyFlags(
        Field::AddDecimalAfterMaxWhole | Field::BeepIfInvalid | Field::AdjustIfInvalid, 0);
    tolerance.SetRange(0, 50);
    Type(tolerance, "501");
    EXPECT_EQ(tolerance.Text(), "50.1");
    EXPECT_TRUE(tolerance.OnKillFocus().Beep);
    EXPECT_EQ(tolerance.Text(), "50");
    tolerance.SetText("50");
    EXPECT_FALSE(tolerance.OnKillFocus().Beep);

    Field colourOnly(3, 1, POINT);
    colourOnly.ModifyFlags(Field::KeepFocusIfInvalid | Field::MessageIfInvalid, 0);
    colourOnly.SetRange(0, 100);
    colourOnly.SetText("150.0");
    left = colourOnly.OnKillFocus();
    EXPECT_FALSE(left.Beep);
    EXPECT_TRUE(left.KeepFocus);
    EXPECT_EQ(left.Message, "Please specify a numeric value between 0 and 100.");
    EXPECT_EQ(colourOnly.Text(), "150.0");

    Field padded(3, 2, POINT);
    padded.ModifyFlags(Field::TrimLeadingZeros | Field::PadWholeWithZeros, 0);
    padded.SetText("-007.5");
    padded.OnKillFocus();
    EXPECT_EQ(padded.Text(), "-007.5") << "trimmed to -7.5, then padded back";
    padded.ModifyFlags(Field::PadDecimalsWithZeros, Field::PadWholeWithZeros);
    padded.SetText("-");
    padded.OnKillFocus();
    EXPECT_EQ(padded.Text(), "-0.00");

    Field empty(3, 1, POINT);
    empty.ModifyFlags(Field::AllowEmpty | Field::PadDecimalsWithZeros | Field::BeepIfEmpty, 0);
    EXPECT_FALSE(empty.OnKillFocus().Beep);
    EXPECT_EQ(empty.Text(), "");
    empty.ModifyFlags(0, Field::AllowEmpty | Field::PadDecimalsWithZeros);
    EXPECT_TRUE(empty.OnKillFocus().Beep);
    empty.SetRange(10, 20);
    empty.ModifyFlags(Field::KeepFocusIfEmpty | Field::MessageIfEmpty, Field::BeepIfEmpty);
    left = empty.OnKillFocus();
    EXPECT_TRUE(left.KeepFocus);
    EXPECT_EQ(left.Message, "Please specify a numeric value between 10 and 20.");
    empty.ModifyFlags(Field::AdjustIfEmpty, 0);
    empty.OnKillFocus();
    EXPECT_EQ(empty.Text(), "10") << "an empty field reads as 0, below the range";
}

TEST(NumericValue, FormatsAndMessagesFollowTheBoundsAndTheSymbols) {
    Field field(-6, 6, COMMA);
    EXPECT_EQ(field.ErrorMessage(), "Please specify a valid numeric value.");
    field.SetDouble(0.5, true);
    EXPECT_EQ(field.Text(), "0,5");
    EXPECT_DOUBLE_EQ(field.GetDouble(), 0.5);
    field.SetDouble(-3.0, false);
    EXPECT_EQ(field.Text(), "3,000000") << "the field cannot be negative";

    field.SetRange(0.5, 1.7976931348623157e308);
    EXPECT_EQ(field.ErrorMessage(), "Please specify a numeric value greater than or equal to 0,5.");
    field.SetRange(-1.7976931348623157e308, 100);
    EXPECT_EQ(field.ErrorMessage(), "Please specify a numeric value less than or equal to 100.");

    int changes = 0;
    field.SetChangeHandler([&] { ++changes; });
    field.SetText("3,000000");
    field.SetSelection(0, 2);
    EXPECT_EQ(changes, 0);
    Type(field, "7");
    EXPECT_EQ(changes, 1) << "one change for the insertion and its rebuild";
}

TEST(NumericLocale, TheLocaleDecimalCommaIsTypedShownAndRead) {
    const DecimalCommaLocaleGuard locale;
    if (locale.Name().empty()) {
        GTEST_SKIP() << NO_DECIMAL_COMMA_LOCALE;
    }
    Field field = ColourField(NumericSymbols::FromLocale());
    EXPECT_EQ(field.DecimalPoint(), ',');
    field.Paste("12a,3");
    EXPECT_EQ(field.Text(), "12,3");
    EXPECT_DOUBLE_EQ(field.GetDouble(), 12.3);
    Type(field, ".");
    EXPECT_EQ(field.Text(), "12,3") << "the point is the group separator here";
    field.SetDouble(40.0, false);
    EXPECT_EQ(field.Text(), "40,0");
}

} // namespace
