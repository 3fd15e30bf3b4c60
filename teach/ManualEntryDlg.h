#pragma once

#include <array>

#include "teach/ManualEntryView.h"
#include "widgets/NumericBehavior.h"

// The Manual Entry dialog: the user types a channel's colour and tolerances. In colour-and-
// luminosity mode (0) the colours are independent percentages of full scale; in colour-only
// mode (1) they are shares of their sum: blue is read-only and completed to 100 from red and
// green, and green's range shrinks to what red leaves.
class CManualEntryDlg {
public:
    using Values = std::array<double, MANUAL_FIELDS>; // indexed by ManualField

    CManualEntryDlg();
    CManualEntryDlg(const CManualEntryDlg&) = delete;
    CManualEntryDlg& operator=(const CManualEntryDlg&) = delete;

    // Before the dialog runs: the mode (0 or 1) and the six values in percent.
    void SetValues(int mode, const Values& values);
    // After OK: the six values as typed.
    const Values& GetValues() const { return m_values; }
    int Mode() const { return m_mode; }

    // The behaviour behind one of the view's numeric edits.
    CNumericBehavior& Field(ManualField field) { return m_fields[field]; }

    bool OnInitDialog(ManualEntryView& view);
    void OnOK();
    void OnRedChange();
    void OnRedKillFocus();
    void OnGreenKillFocus();

private:
    void SetUpField(ManualField field, std::uint32_t options, double maximum);
    void Fill(ManualField field, double value);

    ManualEntryView* m_view = nullptr;
    int m_mode = 0;
    Values m_values{};
    std::array<CNumericBehavior, MANUAL_FIELDS> m_fields;
};
