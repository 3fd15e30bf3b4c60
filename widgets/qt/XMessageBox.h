#pragma once

#include <string>

#include "widgets/XMessageBoxPlan.h"

class QWidget;

// Shows the message box with the caller's button labels modally over `owner` (none: the
// active window) and returns the id of the button pressed (XMessageBoxPlan). `style` takes
// the system message box's icon, default-button and no-sound bits.
int XMessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style,
                const XMessageBoxParams* params = nullptr);
