#include "panel/qt/ProfileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace {

// Qt takes a filter's patterns from the parentheses of its caption, so the caption's own
// patterns give way to the request's ("All files (*.*)" matches names without a dot too).
QStringList NameFilters(const FileDialogRequest& request) {
    QStringList filters;
    for (const auto& [caption, pattern] : request.Filters) {
        QString name = QString::fromStdString(caption);
        const qsizetype open = name.indexOf(QStringLiteral(" ("));
        if (open >= 0) {
            name.truncate(open);
        }
        filters << name + QStringLiteral(" (") + QString::fromStdString(pattern) +
                       QStringLiteral(")");
    }
    return filters;
}

bool ConfirmCreate(QWidget* parent, const QString& path) {
    const QString text = QFileInfo(path).fileName() +
                         QStringLiteral("\nThis file does not exist.\nCreate the file?");
    return QMessageBox::question(parent, QStringLiteral("Open"), text) == QMessageBox::Yes;
}

} // namespace

bool RunProfileDialog(QWidget* parent, const FileDialogRequest& request, std::string& path) {
    QFileDialog dialog(parent, request.Save ? QStringLiteral("Save As") : QStringLiteral("Open"));
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(request));
    dialog.setDefaultSuffix(QString::fromStdString(request.DefaultExtension));
    if (!request.InitialPath.empty()) {
        dialog.selectFile(QString::fromStdString(request.InitialPath));
    }
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString chosen = QFileInfo(dialog.selectedFiles().constFirst()).absoluteFilePath();
        if (request.Save || QFileInfo::exists(chosen) || ConfirmCreate(&dialog, chosen)) {
            path = chosen.toStdString();
            return true;
        }
    }
    return false;
}
