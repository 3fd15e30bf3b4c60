#include "teach/ManualEntryDlg.h"

#include <algorithm>

#include "common/PanelFormat.h"
#include "sensor/SensorRecords.h"

namespace {

constexpr int COLOUR_DIGITS = 3;
constexpr int TOLERANCE_DIGITS = 2;
constexpr int DECIMAL_PLACES = 1;
constexpr double MAXIMUM_COLOUR = 100.0;
constexpr double MAXIMUM_TOLERANCE = 50.0;

using Numeric = CNumericBehavior;
constexpr std::uint32_t ADJUSTING = Numeric::AddDecimalAfterMaxWhole |
                                    Numeric::PadDecimalsWithZeros | Numeric::BeepIfInvalid |
                                    Numeric::AdjustIfInvalid;
constexpr std::uint32_t INSISTING = Numeric::AddDecimalAfterMaxWhole |
                                    Numeric::PadDecimalsWithZeros | Numeric::KeepFocusIfInvalid |
                                    Numeric::MessageIfInvalid;
constexpr std::uint32_t COMPLETED =
    Numeric::AddDecimalAfterMaxWhole | Numeric::KeepFocusIfInvalid | Numeric::MessageIfInvalid;

} // namespace

CManualEntryDlg::CManualEntryDlg()
    : m_fields{
          Numeric(COLOUR_DIGITS, DECIMAL_PLACES),    Numeric(COLOUR_DIGITS, DECIMAL_PLACES),
          Numeric(COLOUR_DIGITS, DECIMAL_PLACES),    Numeric(TOLERANCE_DIGITS, DECIMAL_PLACES),
          Numeric(TOLERANCE_DIGITS, DECIMAL_PLACES), Numeric(TOLERANCE_DIGITS, DECIMAL_PLACES)} {
    m_fields[FIELD_RED].SetChangeHandler([this] { OnRedChange(); });
}

void CManualEntryDlg::SetValues(int mode, const Values& values) {
    m_mode = mode;
    m_values = values;
}

void CManualEntryDlg::SetUpField(ManualField field, std::uint32_t options, double maximum) {
    Numeric& behavior = m_fields[field];
    behavior.ModifyFlags(options, 0);
    behavior.SetMaxWholeDigits(field < FIELD_RED_TOLERANCE ? COLOUR_DIGITS : TOLERANCE_DIGITS);
    behavior.SetMaxDecimalPlaces(DECIMAL_PLACES);
    behavior.SetRange(0.0, maximum);
    behavior.AllowNegative(false);
}

// "%4.1f" with the field's own decimal point: the field takes no other, so under a decimal-comma
// locale a '.' would drop the decimals and run them into the whole part.
void CManualEntryDlg::Fill(ManualField field, double value) {
    std::string text = FormatPercent(value);
    std::replace(text.begin(), text.end(), '.', m_fields[field].DecimalPoint());
    m_fields[field].SetText(text);
}

bool CManualEntryDlg::OnInitDialog(ManualEntryView& view) {
    m_view = &view;
    if (m_mode == MODE_COLOR_ONLY) {
        m_view->SetGroupCaption("Color Only");
        SetUpField(FIELD_RED, INSISTING, MAXIMUM_COLOUR);
        SetUpField(FIELD_GREEN, INSISTING, MAXIMUM_COLOUR);
        SetUpField(FIELD_BLUE, COMPLETED, MAXIMUM_COLOUR);
        m_fields[FIELD_BLUE].SetReadOnly(true);
        m_view->SetBackgroundColor(FIELD_BLUE, 255, 255, 255);
    } else {
        m_view->SetGroupCaption("Color && Luminosity");
        for (const ManualField field : {FIELD_RED, FIELD_GREEN, FIELD_BLUE}) {
            SetUpField(field, ADJUSTING, MAXIMUM_COLOUR);
        }
    }
    for (const ManualField field :
         {FIELD_RED_TOLERANCE, FIELD_GREEN_TOLERANCE, FIELD_BLUE_TOLERANCE}) {
        SetUpField(field, ADJUSTING, MAXIMUM_TOLERANCE);
    }
    const Rgb colour = {m_values[FIELD_RED], m_values[FIELD_GREEN], m_values[FIELD_BLUE]};
    // Red first: in colour-only mode its change handler clears green and blue, which are filled
    // after it.
    const Rgb shown = m_mode == MODE_COLOR_ONLY ? NormalizeColor(colour) : colour;
    for (int field = FIELD_RED; field <= FIELD_BLUE; ++field) {
        Fill(static_cast<ManualField>(field), shown[field]);
    }
    for (int field = FIELD_RED_TOLERANCE; field <= FIELD_BLUE_TOLERANCE; ++field) {
        Fill(static_cast<ManualField>(field), m_values[field]);
    }
    return true;
}

void CManualEntryDlg::OnOK() {
    for (int field = 0; field < MANUAL_FIELDS; ++field) {
        m_values[field] = m_fields[field].GetDouble();
    }
    if (m_view != nullptr) {
        m_view->EndDialog(DIALOG_OK);
    }
}

void CManualEntryDlg::OnRedChange() {
    if (m_mode == MODE_COLOR_ONLY) {
        m_fields[FIELD_GREEN].SetText("");
        m_fields[FIELD_BLUE].SetText("");
    }
}

void CManualEntryDlg::OnRedKillFocus() {
    if (m_mode == MODE_COLOR_ONLY && m_fields[FIELD_RED].IsValid()) {
        m_fields[FIELD_GREEN].SetRange(0.0, MAXIMUM_COLOUR - m_fields[FIELD_RED].GetDouble());
    }
}

void CManualEntryDlg::OnGreenKillFocus() {
    if (m_mode != MODE_COLOR_ONLY) {
        return;
    }
    const double rest =
        (MAXIMUM_COLOUR - m_fields[FIELD_RED].GetDouble()) - m_fields[FIELD_GREEN].GetDouble();
    if (rest >= 0.0) {
        m_fields[FIELD_BLUE].SetDouble(rest, false);
    }
}
