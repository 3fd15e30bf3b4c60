#pragma once

#include <QDialog>
#include <array>

#include "teach/ManualEntryView.h"

class CManualEntryDlg;
class CNumericEdit;
class QGroupBox;

// The "Manual Entry" dialog: three colour and three tolerance fields, each a numeric edit over
// one of the controller's field behaviours.
class CManualEntryDialog : public QDialog, public ManualEntryView {
    Q_OBJECT

public:
    CManualEntryDialog(CManualEntryDlg& controller, QWidget* parent);

    CNumericEdit* Field(ManualField field) const { return m_fields[field]; }
    QGroupBox* Group() const { return m_group; }

    // ManualEntryView
    void SetGroupCaption(const std::string& caption) override;
    void SetBackgroundColor(ManualField field, int red, int green, int blue) override;
    void EndDialog(DialogResult result) override;

public slots:
    // OK: the field being edited is left first, and keeps the dialog open when it must.
    void accept() override;

private:
    CManualEntryDlg& m_controller;
    QGroupBox* m_group;
    std::array<CNumericEdit*, MANUAL_FIELDS> m_fields{};
};
