// Leaving a numeric field: padding the text to its format and checking the range.
#include "widgets/NumericBehavior.h"

#include <algorithm>

namespace {

// The option bits that make leaving the field do anything at all.
constexpr std::uint32_t FOCUS_LOSS_OPTIONS = 0x0FFF;

} // namespace

void CNumericBehavior::PadForFocusLoss(std::string& work) const {
    const std::size_t sign = !work.empty() && work[0] == m_symbols.NegativeSign;
    if ((m_flags & TrimLeadingZeros) != 0 && !work.empty()) {
        const std::size_t digits = work.find_first_not_of('0', sign);
        work.erase(sign, (digits == std::string::npos ? work.size() : digits) - sign);
        if (work.size() == sign || work[sign] == m_symbols.DecimalPoint) {
            work.insert(sign, 1, '0');
        }
    }
    if ((m_flags & PadDecimalsWithZeros) != 0 && m_maxDecimalPlaces >= 1) {
        std::size_t point = work.find(m_symbols.DecimalPoint);
        if (point == std::string::npos) {
            if (work.size() == sign) {
                work += '0';
            }
            point = work.size();
            work += m_symbols.DecimalPoint;
        }
        const std::size_t places = work.size() - point - 1;
        if (places < static_cast<std::size_t>(m_maxDecimalPlaces)) {
            work.append(m_maxDecimalPlaces - places, '0');
        }
    }
    if ((m_flags & PadWholeWithZeros) != 0 && m_maxWholeDigits >= 1) {
        const std::size_t point = work.find(m_symbols.DecimalPoint);
        const std::size_t whole = (point == std::string::npos ? work.size() : point) - sign;
        if (whole < static_cast<std::size_t>(m_maxWholeDigits)) {
            work.insert(sign, m_maxWholeDigits - whole, '0');
        }
    }
}

FocusLossActions CNumericBehavior::OnKillFocus() {
    FocusLossActions actions;
    Edit([&] {
        std::string work = NumericText();
        std::replace(work.begin(), work.end(), '.', m_symbols.DecimalPoint);
        std::replace(work.begin(), work.end(), '-', m_symbols.NegativeSign);
        if ((m_flags & FOCUS_LOSS_OPTIONS) == 0 || (work.empty() && (m_flags & AllowEmpty) != 0)) {
            return;
        }
        PadForFocusLoss(work);
        if (work != m_text) {
            const std::size_t start = m_selStart;
            const std::size_t end = m_selEnd;
            SetText(work);
            SetSelection(start, end);
        }
        RunFocusChecks(m_text.empty(), actions);
    });
    return actions;
}

void CNumericBehavior::RunFocusChecks(bool empty, FocusLossActions& actions) {
    if (!empty && IsValid()) {
        return;
    }
    const auto has = [this](Option option) { return (m_flags & option) != 0; };
    actions.Beep = has(empty ? BeepIfEmpty : BeepIfInvalid);
    if (has(empty ? AdjustIfEmpty : AdjustIfInvalid)) {
        AdjustWithinRange();
    }
    actions.KeepFocus = has(empty ? KeepFocusIfEmpty : KeepFocusIfInvalid);
    if (actions.KeepFocus && has(empty ? MessageIfEmpty : MessageIfInvalid)) {
        actions.Message = ErrorMessage();
    }
}
