#include <gtest/gtest.h>

#include "widgets/XMessageBoxPlan.h"

namespace {

std::vector<int> Ids(const XMessageBoxPlan& plan) {
    std::vector<int> ids;
    for (const XMessageBoxButton& button : plan.Buttons) {
        ids.push_back(button.Id);
    }
    return ids;
}

XMessageBoxParams Labels(const std::string& labels) {
    XMessageBoxParams params;
    params.CustomButtons = labels;
    return params;
}

} // namespace

// The log-file question: three buttons numbered from 23, the first the default, and no way
// out but a button.
TEST(XMessageBoxPlan, CustomButtonsAreNumberedFrom23AndCannotBeDismissed) {
    const XMessageBoxParams question = Labels("Overwrite\nAppend\nCancel");
    const XMessageBoxPlan plan = PlanXMessageBox("Spectrel", XMB_ICON_EXCLAMATION, &question);
    EXPECT_EQ(plan.Caption, "Spectrel");
    EXPECT_EQ(plan.Icon, XMB_ICON_EXCLAMATION);
    EXPECT_EQ(Ids(plan), (std::vector<int>{23, 24, 25}));
    EXPECT_EQ(plan.Buttons[1].Label, "Append");
    EXPECT_EQ(plan.DefaultButton, 0u);
    EXPECT_FALSE(plan.Dismissable);
    EXPECT_TRUE(plan.Beep);

    const XMessageBoxParams many = Labels("A\n\nB\nC\nD\nE\n");
    EXPECT_EQ(Ids(PlanXMessageBox("", 0, &many)), (std::vector<int>{23, 24, 25, 26}));
    EXPECT_EQ(PlanXMessageBox("", 0x300, &many).DefaultButton, 3u);
    EXPECT_EQ(PlanXMessageBox("", 0x500, &many).DefaultButton, 0u); // beyond the buttons
}

TEST(XMessageBoxPlan, WithoutLabelsItIsAnOkBox) {
    const XMessageBoxPlan plan = PlanXMessageBox("", XMB_NO_SOUND | 0xF0, nullptr);
    EXPECT_EQ(plan.Caption, "Error");
    EXPECT_EQ(Ids(plan), (std::vector<int>{XMB_ID_OK}));
    EXPECT_TRUE(plan.Dismissable);
    EXPECT_FALSE(plan.Beep);
    EXPECT_EQ(plan.Icon, 0u); // 0xF0 names no icon
}

TEST(XMessageBoxPlan, LayoutWrapsTheTextAndCentresEqualButtons) {
    EXPECT_EQ(XMessageBoxTextWidth(1920, {32, 32}), 1920 / 2 + 80 - 16 - 32);
    EXPECT_EQ(XMessageBoxTextWidth(1920, {}), 1920 / 2 + 80);

    // A short text: the button row decides the width; the icon is taller than the text.
    const XMessageBoxGeometry small = LayoutXMessageBox({100, 20}, {32, 32}, 3);
    EXPECT_EQ(small.Icon, (XRect{8, 8, 32, 32}));
    EXPECT_EQ(small.Text, (XRect{56, 16, 100, 20}));
    const int row = 3 * 78 + 2 * 6;
    EXPECT_EQ(small.Dialog.Width, row + 32);
    ASSERT_EQ(small.Buttons.size(), 3u);
    for (std::size_t index = 0; index < 3; ++index) {
        EXPECT_EQ(small.Buttons[index],
                  (XRect{16 + static_cast<int>(index) * 84, 8 + 32 + 10, 78, 23}));
    }
    EXPECT_EQ(small.Dialog.Height, 50 + 23 + 12);

    // A wide, tall text: the text decides; the row stays centred below it.
    const XMessageBoxGeometry wide = LayoutXMessageBox({700, 90}, {32, 32}, 3);
    EXPECT_EQ(wide.Dialog.Width, 700 + 28 + 32 + 16);
    EXPECT_EQ(wide.Buttons[0].X, (wide.Dialog.Width - row) / 2);
    EXPECT_EQ(wide.Buttons[0].Y, 16 + 90 + 10);
    EXPECT_EQ(LayoutXMessageBox({10, 1}, {}, 1).Dialog.Height, 70);
}
