#pragma once

#include <string>

#include "panel/PanelView.h"

// How an area of the window speaks to the user: a box that is always shown, a warning shown only
// while its category is switched on, and the rich status text. The window implements it once,
// so every area follows the same warnings mask.
class PanelNotices {
public:
    virtual MessageResult MessageBox(const std::string& text,
                                     MessageIcon icon = ICON_EXCLAMATION) = 0;
    virtual void ShowWarning(const std::string& text, int category) = 0;
    virtual int WarningsMask() const = 0;
    virtual void SetStatusText(const std::string& text, bool boldFirstWord) = 0;

protected:
    ~PanelNotices() = default;
};
