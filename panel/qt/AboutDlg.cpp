#include "panel/qt/AboutDlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

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
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
