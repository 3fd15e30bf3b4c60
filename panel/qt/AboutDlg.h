#pragma once

#include <QDialog>

#include "panel/PanelView.h"

// "About Spectrel": the program's name and version and the connected sensor's firmware.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    CAboutDlg(const AboutInfo& about, QWidget* parent);
};
