#pragma once

#include <string>

#include "panel/PanelView.h"

// What an area of the window asks of the window around it: the one data exchange, the enabled
// state of the commands, and how to speak to the user (a box always shown, a warning shown only
// while its category is switched on, the rich status text). The window implements it once, so
// every area follows the same warnings mask and moves the same values.
class PanelFrame {
public:
    // false: Push; true: Pull, false when the view rejected a control's value.
    virtual bool UpdateData(bool saveAndValidate) = 0;
    virtual void EnableControls(bool enable) = 0;
    virtual bool AreControlsEnabled() const = 0;
    virtual MessageResult MessageBox(const std::string& text,
                                     MessageIcon icon = ICON_EXCLAMATION) = 0;
    virtual void ShowWarning(const std::string& text, int category) = 0;
    virtual int WarningsMask() const = 0;
    virtual void SetStatusText(const std::string& text, bool boldFirstWord) = 0;
    // A command the port refused never reached the sensor: nothing is awaited, the user is told
    // why, and data polling goes on.
    virtual void ShowWriteFailure(const std::string& text) = 0;

protected:
    ~PanelFrame() = default;
};
