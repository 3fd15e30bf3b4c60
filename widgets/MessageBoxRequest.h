#pragma once

#include <string>

// What a controller asks of its view's message boxes and modal dialogs.

enum MessageIcon : int { ICON_NONE, ICON_EXCLAMATION, ICON_QUESTION, ICON_INFORMATION };
enum MessageButtons : int { BUTTONS_OK, BUTTONS_OK_CANCEL, BUTTONS_YES_NO, BUTTONS_YES_NO_CANCEL };
enum MessageResult : int { RESULT_OK, RESULT_CANCEL, RESULT_YES, RESULT_NO };
// How a modal dialog of the panel ended.
enum DialogResult : int { DIALOG_OK, DIALOG_CANCEL };

// One modal message box: the view shows it and returns the button the user pressed.
struct MessageBoxRequest {
    std::string Text;    // may contain "\n"
    std::string Caption; // window title of the box
    MessageIcon Icon = ICON_EXCLAMATION;
    MessageButtons Buttons = BUTTONS_OK;
    MessageResult DefaultButton = RESULT_OK; // the button Enter presses
};
