#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The message box with buttons the caller labels: what it shows and how it is laid out, worked
// out here so the view only draws it. Style bits are those of the system message box.

inline constexpr unsigned XMB_ICON_MASK = 0xF0;
inline constexpr unsigned XMB_ICON_HAND = 0x10;
inline constexpr unsigned XMB_ICON_QUESTION = 0x20;
inline constexpr unsigned XMB_ICON_EXCLAMATION = 0x30;
inline constexpr unsigned XMB_ICON_ASTERISK = 0x40;
inline constexpr unsigned XMB_DEFAULT_BUTTON_MASK = 0xF00; // 0x100 per button after the first
inline constexpr unsigned XMB_NO_SOUND = 0x40000000;

inline constexpr int XMB_ID_OK = 1;
inline constexpr int XMB_FIRST_CUSTOM_ID = 23; // the first label's button; the next ones count on
inline constexpr std::size_t XMB_MAX_CUSTOM_BUTTONS = 4;

struct XMessageBoxParams {
    std::string CustomButtons; // the labels, separated by line feeds
    int X = 0, Y = 0;          // where the box opens on the screen; 0, 0 centres it on its owner
};

struct XMessageBoxButton {
    std::string Label;
    int Id;
};

struct XMessageBoxPlan {
    std::string Caption;
    unsigned Icon = 0; // 0 or one of XMB_ICON_...
    std::vector<XMessageBoxButton> Buttons;
    std::size_t DefaultButton = 0; // index into Buttons; it has the focus
    bool Beep = false;
    // Only a box with a standard OK button may be dismissed (Escape, the title bar's close box);
    // one with custom buttons waits for one of them.
    bool Dismissable = false;
};

// At most four labels give buttons 23 to 26 in order; empty labels are skipped. Without labels
// the box has one "OK" button (1). An empty caption reads "Error".
XMessageBoxPlan PlanXMessageBox(const std::string& caption, unsigned style,
                                const XMessageBoxParams* params);

struct XSize {
    int Width = 0;
    int Height = 0;
};
struct XRect {
    int X = 0, Y = 0, Width = 0, Height = 0;
    bool operator==(const XRect&) const = default;
};

struct XMessageBoxGeometry {
    XRect Text;
    XRect Icon; // empty without an icon
    std::vector<XRect> Buttons;
    XSize Dialog;
};

inline constexpr XSize XMB_BUTTON_SIZE{78, 23};

// The width the text is wrapped in: half the screen plus 80 pixels, less the icon's room.
int XMessageBoxTextWidth(int screenWidth, XSize icon);
// Text at (16, 16) (right of the icon when there is one), the icon at (8, 8), the buttons of
// equal width in one centred row 10 pixels below text and icon, 12 pixels of margin below.
XMessageBoxGeometry LayoutXMessageBox(XSize text, XSize icon, std::size_t buttons);
