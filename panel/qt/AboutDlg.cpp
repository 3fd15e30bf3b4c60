#include "panel/qt/AboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int TITLE_BAR_BUTTONS_WIDTH = 160;
}

CAboutDlg::CAboutDlg(const AboutInfo& about, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromStdString(about.Caption));
    auto* layout = new QVBoxLayout(this);
    for (const std::string& line : {about.ProgramLine, about.FirmwareLine}) {
        auto* label = new QLabel(QString::fromStdString(line), this);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    // Wide enough for a window manager's title bar to show the whole caption beside its
    // buttons: the two short lines alone would leave it cut to "Ab...".
    layout->addStrut(fontMetrics().horizontalAdvance(windowTitle()) + TITLE_BAR_BUTTONS_WIDTH);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
