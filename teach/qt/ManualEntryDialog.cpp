#include "teach/qt/ManualEntryDialog.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "teach/ManualEntryDlg.h"
#include "teach/qt/TeachFields.h"
#include "widgets/qt/NumericEdit.h"

CManualEntryDialog::CManualEntryDialog(CManualEntryDlg& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller), m_group(new QGroupBox(this)) {
    setWindowTitle(QStringLiteral("Manual Entry"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout(m_group);
    AddColourHeadings(grid, m_group);
    AddRowLabel(grid, 1, QStringLiteral("Color (%)"), m_group);
    AddRowLabel(grid, 2, QStringLiteral("Tolerance (%)"), m_group);
    for (int field = 0; field < MANUAL_FIELDS; ++field) {
        const int colour = field % 3;
        const bool tolerance = field >= FIELD_RED_TOLERANCE;
        m_fields[field] =
            new CNumericEdit(controller.Field(static_cast<ManualField>(field)), m_group);
        AddField(grid, tolerance ? 2 : 1, colour + 1, m_fields[field],
                 ColourName(colour, true) +
                     (tolerance ? QStringLiteral(" tolerance") : QStringLiteral(" color")));
    }
    layout->addWidget(m_group);
    connect(m_fields[FIELD_RED], &CNumericEdit::Left, this,
            [this] { m_controller.OnRedKillFocus(); });
    connect(m_fields[FIELD_GREEN], &CNumericEdit::Left, this,
            [this] { m_controller.OnGreenKillFocus(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    // A click on Cancel leaves the dialog without first checking the field being edited.
    buttons->button(QDialogButtonBox::Cancel)->setFocusPolicy(Qt::TabFocus);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_controller.OnInitDialog(*this);
}

void CManualEntryDialog::SetGroupCaption(const std::string& caption) {
    m_group->setTitle(QString::fromStdString(caption));
}

void CManualEntryDialog::SetBackgroundColor(ManualField field, int red, int green, int blue) {
    m_fields[field]->SetBackgroundColor(QColor(red, green, blue));
}

void CManualEntryDialog::EndDialog(DialogResult result) {
    QDialog::done(result == DIALOG_OK ? QDialog::Accepted : QDialog::Rejected);
}

void CManualEntryDialog::accept() {
    // Enter presses OK without moving the focus: the field's leave checks run here instead.
    if (auto* editing = qobject_cast<CNumericEdit*>(QApplication::focusWidget())) {
        if (!editing->Leave()) {
            editing->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    m_controller.OnOK();
}
