#include "widgets/qt/MessageBoxes.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case ICON_EXCLAMATION:
        return QMessageBox::Warning;
    case ICON_QUESTION:
        return QMessageBox::Question;
    case ICON_INFORMATION:
        return QMessageBox::Information;
    case ICON_NONE:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons BoxButtons(MessageButtons buttons) {
    switch (buttons) {
    case BUTTONS_OK_CANCEL:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case BUTTONS_YES_NO:
        return QMessageBox::Yes | QMessageBox::No;
    case BUTTONS_YES_NO_CANCEL:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case BUTTONS_OK:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton BoxButton(MessageResult result) {
    switch (result) {
    case RESULT_CANCEL:
        return QMessageBox::Cancel;
    case RESULT_YES:
        return QMessageBox::Yes;
    case RESULT_NO:
        return QMessageBox::No;
    case RESULT_OK:
        break;
    }
    return QMessageBox::Ok;
}

MessageResult ResultOf(QMessageBox::StandardButton button, MessageButtons buttons) {
    switch (button) {
    case QMessageBox::Ok:
        return RESULT_OK;
    case QMessageBox::Cancel:
        return RESULT_CANCEL;
    case QMessageBox::Yes:
        return RESULT_YES;
    case QMessageBox::No:
        return RESULT_NO;
    default:
        return DismissedResult(buttons);
    }
}

} // namespace

MessageResult DismissedResult(MessageButtons buttons) {
    return buttons == BUTTONS_OK ? RESULT_OK : RESULT_CANCEL;
}

void DismissModalDialogs() {
    QDialog* previous = nullptr;
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    // A dialog that is still the innermost after its dismissal is left alone, not looped on.
    while (dialog != nullptr && dialog != previous) {
        dialog->reject();
        if (dialog->isVisible()) {
            dialog->done(QDialog::Rejected);
        }
        previous = dialog;
        dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    }
}

MessageResult RunMessageBox(const MessageBoxRequest& request, QWidget* parent) {
    QMessageBox box(BoxIcon(request.Icon), QString::fromStdString(request.Caption),
                    QString::fromStdString(request.Text), BoxButtons(request.Buttons), parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(BoxButton(request.DefaultButton));
    if (request.Icon == ICON_EXCLAMATION) {
        QApplication::beep();
    }
    box.exec();
    return ResultOf(box.standardButton(box.clickedButton()), request.Buttons);
}
