#pragma once

#include "widgets/MessageBoxRequest.h"

class QWidget;

// Runs one modal message box over parent, beeping for an exclamation, and returns the button
// pressed; every window and dialog of the panel shows its boxes through here.
MessageResult RunMessageBox(const MessageBoxRequest& request, QWidget* parent);
// The answer of a box closed without a button, or not shown because its window is closing.
MessageResult DismissedResult(MessageButtons buttons);
// Ends every modal dialog and box that is open, the innermost first, as the program's close
// request does: each through its own Cancel; a box that waits for one of its buttons (the
// log-file question) with none pressed, which its caller takes as cancel.
void DismissModalDialogs();
