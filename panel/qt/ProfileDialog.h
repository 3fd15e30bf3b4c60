#pragma once

#include <string>

#include "panel/PanelView.h"

class QWidget;

// The open and save dialogs of the File commands. Open asks before taking a name that does not
// exist (a yes returns it, nothing is created; a no goes back to the dialog); save asks before
// replacing a file. True with the chosen absolute path.
bool RunProfileDialog(QWidget* parent, const FileDialogRequest& request, std::string& path);
