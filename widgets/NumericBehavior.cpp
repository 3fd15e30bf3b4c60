#include "widgets/NumericBehavior.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <limits>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int Magnitude(int digits) {
    return digits == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max()
                                                     : std::abs(digits);
}

constexpr double NO_MINIMUM = std::numeric_limits<double>::lowest();
constexpr double NO_MAXIMUM = std::numeric_limits<double>::max();

} // namespace

CNumericBehavior::CNumericBehavior(int maxWholeDigits, int maxDecimalPlaces)
    : CNumericBehavior(maxWholeDigits, maxDecimalPlaces, NumericSymbols::FromLocale()) {
}

CNumericBehavior::CNumericBehavior(int maxWholeDigits, int maxDecimalPlaces,
                                   const NumericSymbols& symbols)
    : m_symbols(symbols), m_maxWholeDigits(Magnitude(maxWholeDigits)),
      m_maxDecimalPlaces(std::max(maxDecimalPlaces, 0)), m_minimum(NO_MINIMUM),
      m_maximum(NO_MAXIMUM) {
    if (maxWholeDigits < 0) {
        m_flags |= CannotBeNegative;
    }
}

void CNumericBehavior::Edit(const std::function<void()>& operation) {
    const std::string before = m_text;
    ++m_editDepth;
    operation();
    --m_editDepth;
    if (m_editDepth > 0) {
        return;
    }
    if (m_viewListener) {
        m_viewListener();
    }
    if (m_text != before && m_changeHandler) {
        m_changeHandler();
    }
}

void CNumericBehavior::SetSelection(std::size_t start, std::size_t end) {
    Edit([&] {
        m_selStart = std::min({start, end, m_text.size()});
        m_selEnd = std::min(std::max(start, end), m_text.size());
    });
}

void CNumericBehavior::SetText(std::string_view text) {
    Edit([&] {
        m_text = ValidText(text);
        m_selStart = m_selEnd = m_text.size();
    });
}

std::string CNumericBehavior::ValidText(std::string_view text) const {
    std::string whole;
    std::string decimals;
    bool negative = false;
    bool seenPoint = false;
    for (const char c : text) {
        if (c == m_symbols.NegativeSign && AllowsNegative()) {
            negative = true;
        } else if (IsDigit(c) && !seenPoint) {
            if (whole.size() < static_cast<std::size_t>(m_maxWholeDigits)) {
                whole += c;
            }
        } else if (c == m_symbols.DecimalPoint && !seenPoint) {
            if (m_maxDecimalPlaces == 0) {
                break;
            }
            seenPoint = true;
        } else if (IsDigit(c)) {
            if (decimals.size() == static_cast<std::size_t>(m_maxDecimalPlaces)) {
                break;
            }
            decimals += c;
        }
    }
    std::string valid = negative ? std::string(1, m_symbols.NegativeSign) : std::string();
    valid += whole;
    if (seenPoint) {
        valid += m_symbols.DecimalPoint;
        valid += decimals;
    }
    return valid;
}

std::string CNumericBehavior::NumericText() const {
    std::string digits;
    bool negative = false;
    bool seenPoint = false;
    for (const char c : m_text) {
        if (IsDigit(c)) {
            digits += c;
        } else if (c == m_symbols.DecimalPoint && !seenPoint) {
            digits += '.';
            seenPoint = true;
        } else if (c == m_symbols.NegativeSign) {
            negative = true;
        }
    }
    return negative ? "-" + digits : digits;
}

double CNumericBehavior::GetDouble() const {
    const std::string text = NumericText();
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() ? value : 0.0;
}

std::string CNumericBehavior::FormatNumber(double value, bool trimZeros) const {
    // "%lf" in the "C" locale whatever the process's locale is, then the field's own point.
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6);
    std::string text(digits, result.ec == std::errc() ? result.ptr : digits);
    std::replace(text.begin(), text.end(), '.', m_symbols.DecimalPoint);
    if (trimZeros && text.find(m_symbols.DecimalPoint) != std::string::npos) {
        text.erase(text.find_last_not_of('0') + 1);
        if (!text.empty() && text.back() == m_symbols.DecimalPoint) {
            text.pop_back();
        }
    }
    return text;
}

void CNumericBehavior::SetDouble(double value, bool trimZeros) {
    SetText(FormatNumber(value, trimZeros));
}

bool CNumericBehavior::IsValid() const {
    const double value = GetDouble();
    return m_minimum <= value && value <= m_maximum;
}

void CNumericBehavior::Redraw() {
    Edit([&] {
        const std::string valid = GetValidText();
        if (valid != m_text) {
            m_text = valid;
            m_selStart = std::min(m_selStart, m_text.size());
            m_selEnd = std::min(m_selEnd, m_text.size());
        }
    });
}

void CNumericBehavior::Rebuild() {
    m_adjusting = true;
    Redraw();
    m_adjusting = false;
}

void CNumericBehavior::ModifyFlags(std::uint32_t add, std::uint32_t remove) {
    const std::uint32_t flags = (m_flags & ~remove) | add;
    if (flags != m_flags) {
        m_flags = flags;
        Redraw();
    }
}

void CNumericBehavior::SetMaxWholeDigits(int digits) {
    const std::uint32_t flags =
        digits < 0 ? (m_flags | CannotBeNegative) : (m_flags & ~CannotBeNegative);
    if (flags != m_flags || Magnitude(digits) != m_maxWholeDigits) {
        m_flags = flags;
        m_maxWholeDigits = Magnitude(digits);
        Redraw();
    }
}

void CNumericBehavior::SetMaxDecimalPlaces(int places) {
    places = std::max(places, 0);
    if (places != m_maxDecimalPlaces) {
        m_maxDecimalPlaces = places;
        Redraw();
    }
}

void CNumericBehavior::AllowNegative(bool allow) {
    const std::uint32_t bit = CannotBeNegative;
    ModifyFlags(allow ? 0 : bit, allow ? bit : 0);
}

void CNumericBehavior::SetRange(double minimum, double maximum) {
    m_minimum = minimum;
    m_maximum = maximum;
    Redraw();
}

void CNumericBehavior::AdjustWithinRange() {
    if (IsValid()) {
        return;
    }
    Edit([&] {
        if (m_text.empty()) {
            SetText(" ");
        } else {
            Redraw();
        }
        const double value = GetDouble();
        if (value < m_minimum) {
            SetDouble(m_minimum, true);
        } else if (value > m_maximum) {
            SetDouble(m_maximum, true);
        }
    });
}

std::string CNumericBehavior::ErrorMessage() const {
    const bool hasMinimum = m_minimum != NO_MINIMUM;
    const bool hasMaximum = m_maximum != NO_MAXIMUM;
    const std::string text = "Please specify a ";
    if (hasMinimum && hasMaximum) {
        return text + "numeric value between " + FormatNumber(m_minimum, true) + " and " +
               FormatNumber(m_maximum, true) + ".";
    }
    if (hasMinimum) {
        return text + "numeric value greater than or equal to " + FormatNumber(m_minimum, true) +
               ".";
    }
    if (hasMaximum) {
        return text + "numeric value less than or equal to " + FormatNumber(m_maximum, true) + ".";
    }
    return text + "valid numeric value.";
}
