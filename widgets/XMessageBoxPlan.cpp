#include "widgets/XMessageBoxPlan.h"

#include <algorithm>

namespace {

constexpr int TEXT_MARGIN = 16;
constexpr int ICON_MARGIN = 8;
constexpr int TEXT_EXTRA_WIDTH = 28;
constexpr int TEXT_EXTRA_HEIGHT = 21;
constexpr int MIN_HEIGHT = 70;
constexpr int BUTTON_GAP = 6;
constexpr int BUTTON_ROW_GAP = 10;
constexpr int BUTTON_ROW_MARGIN = 32;
constexpr int BOTTOM_MARGIN = 12;
constexpr int WRAP_EXTRA = 80;

std::vector<XMessageBoxButton> CustomButtons(const std::string& labels) {
    std::vector<XMessageBoxButton> buttons;
    std::size_t start = 0;
    while (start <= labels.size() && buttons.size() < XMB_MAX_CUSTOM_BUTTONS) {
        const std::size_t end = std::min(labels.find('\n', start), labels.size());
        if (end > start) {
            buttons.push_back({labels.substr(start, end - start),
                               XMB_FIRST_CUSTOM_ID + static_cast<int>(buttons.size())});
        }
        start = end + 1;
    }
    return buttons;
}

} // namespace

XMessageBoxPlan PlanXMessageBox(const std::string& caption, unsigned style,
                                const XMessageBoxParams* params) {
    XMessageBoxPlan plan;
    plan.Caption = caption.empty() ? "Error" : caption;
    const unsigned icon = style & XMB_ICON_MASK;
    if (icon >= XMB_ICON_HAND && icon <= XMB_ICON_ASTERISK) {
        plan.Icon = icon;
    }
    plan.Beep = (style & XMB_NO_SOUND) == 0;
    if (params != nullptr) {
        plan.Buttons = CustomButtons(params->CustomButtons);
    }
    if (plan.Buttons.empty()) {
        plan.Buttons.push_back({"OK", XMB_ID_OK});
        plan.Dismissable = true;
    }
    const std::size_t wanted = (style & XMB_DEFAULT_BUTTON_MASK) >> 8;
    plan.DefaultButton = wanted < plan.Buttons.size() ? wanted : 0;
    return plan;
}

int XMessageBoxTextWidth(int screenWidth, XSize icon) {
    int width = screenWidth / 2 + WRAP_EXTRA;
    if (icon.Width > 0) {
        width -= TEXT_MARGIN + icon.Width;
    }
    return std::max(width, 1);
}

XMessageBoxGeometry LayoutXMessageBox(XSize text, XSize icon, std::size_t buttons) {
    XMessageBoxGeometry geometry;
    geometry.Text = {TEXT_MARGIN, TEXT_MARGIN, text.Width, text.Height};
    int width = text.Width + TEXT_EXTRA_WIDTH;
    int contentBottom = TEXT_MARGIN + text.Height;
    if (icon.Width > 0) {
        geometry.Icon = {ICON_MARGIN, ICON_MARGIN, icon.Width, icon.Height};
        geometry.Text.X += icon.Width + ICON_MARGIN;
        width += icon.Width + TEXT_MARGIN;
        contentBottom = std::max(contentBottom, ICON_MARGIN + icon.Height);
    }
    const int count = static_cast<int>(buttons);
    const int rowWidth = count * XMB_BUTTON_SIZE.Width + std::max(count - 1, 0) * BUTTON_GAP;
    width = std::max(width, rowWidth + BUTTON_ROW_MARGIN);
    const int rowTop = contentBottom + BUTTON_ROW_GAP;
    const int rowLeft = (width - rowWidth) / 2;
    for (int index = 0; index < count; ++index) {
        geometry.Buttons.push_back({rowLeft + index * (XMB_BUTTON_SIZE.Width + BUTTON_GAP), rowTop,
                                    XMB_BUTTON_SIZE.Width, XMB_BUTTON_SIZE.Height});
    }
    const int height = std::max(rowTop + XMB_BUTTON_SIZE.Height + BOTTOM_MARGIN,
                                std::max(text.Height + TEXT_EXTRA_HEIGHT, MIN_HEIGHT));
    geometry.Dialog = {width, height};
    return geometry;
}
