// The user's edits of a numeric field: typed characters, deletion and the clipboard.
#include "widgets/NumericBehavior.h"

#include <algorithm>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

void CNumericBehavior::Replace(std::size_t start, std::size_t end, std::string_view insert,
                               bool rebuild) {
    end = std::min(end, m_text.size());
    m_text.replace(start, end - start, insert);
    m_selStart = m_selEnd = start + insert.size();
    if (rebuild) {
        Rebuild();
    }
}

void CNumericBehavior::OnChar(char character) {
    if (m_readOnly) {
        return;
    }
    Edit([&] {
        if (character == m_symbols.NegativeSign && AllowsNegative()) {
            TypeSign();
        } else if (character == m_symbols.DecimalPoint && m_maxDecimalPlaces > 0) {
            TypeDecimalPoint();
        } else if (IsDigit(character)) {
            TypeDigit(character);
        }
        // Any other character would make the text something other than a number.
    });
}

void CNumericBehavior::TypeSign() {
    const bool hasSign = !m_text.empty() && m_text[0] == m_symbols.NegativeSign;
    if (m_selStart > 0) {
        // Toggles the sign in front and keeps the caret on the same digit.
        if (hasSign) {
            m_text.erase(0, 1);
            --m_selStart;
            --m_selEnd;
        } else {
            m_text.insert(0, 1, m_symbols.NegativeSign);
            ++m_selStart;
            ++m_selEnd;
        }
    } else if (!hasSign) {
        // The sign may replace a selection holding the decimal point, which would turn the
        // decimals into whole digits beyond the limit: the filter brings the text back.
        Replace(m_selStart, m_selEnd, std::string(1, m_symbols.NegativeSign), true);
    }
}

void CNumericBehavior::TypeDecimalPoint() {
    const std::size_t point = m_text.find(m_symbols.DecimalPoint);
    if (point == std::string::npos || (point >= m_selStart && point < m_selEnd)) {
        Replace(m_selStart, m_selEnd, std::string(1, m_symbols.DecimalPoint), true);
    } else {
        m_selStart = m_selEnd = point + 1;
    }
}

void CNumericBehavior::TypeDigit(char digit) {
    const std::size_t point = m_text.find(m_symbols.DecimalPoint);
    if (point == std::string::npos || m_selStart <= point) {
        TypeWholeDigit(digit, point);
        return;
    }
    const std::size_t places = m_text.size() - point - 1;
    if (places < static_cast<std::size_t>(m_maxDecimalPlaces)) {
        Replace(m_selStart, m_selEnd, std::string(1, digit), false);
    } else if (m_selStart < point + 1 + m_maxDecimalPlaces && m_selStart < m_text.size()) {
        Replace(m_selStart, m_selStart + 1, std::string(1, digit), false);
    }
}

void CNumericBehavior::TypeWholeDigit(char digit, std::size_t decimalAt) {
    const std::size_t signLength = !m_text.empty() && m_text[0] == m_symbols.NegativeSign;
    const std::size_t wholeEnd = decimalAt == std::string::npos ? m_text.size() : decimalAt;
    const std::size_t fullEnd = signLength + m_maxWholeDigits;
    const bool full = wholeEnd >= fullEnd;
    const bool selectionToEnd = m_selEnd == m_text.size();
    if (full && m_selStart == fullEnd) {
        if ((m_flags & AddDecimalAfterMaxWhole) != 0 && m_maxDecimalPlaces > 0) {
            const std::string insert{m_symbols.DecimalPoint, digit};
            Replace(m_selStart, selectionToEnd ? m_selEnd : m_selStart + 2, insert, false);
        }
    } else if (full && m_selStart >= signLength && m_selStart < fullEnd) {
        Replace(m_selStart, selectionToEnd ? m_selEnd : m_selStart + 1, std::string(1, digit),
                false);
    } else {
        Replace(m_selStart, m_selEnd, std::string(1, digit), true);
    }
}

void CNumericBehavior::OnBackspace() {
    if (m_readOnly) {
        return;
    }
    Edit([&] {
        if (m_selStart != m_selEnd) {
            Replace(m_selStart, m_selEnd, {}, true);
        } else if (m_selStart > 0) {
            Replace(m_selStart - 1, m_selStart, {}, true);
        }
    });
}

void CNumericBehavior::OnDelete() {
    if (m_readOnly) {
        return;
    }
    Edit([&] {
        const std::size_t end = m_selStart == m_selEnd ? m_selStart + 1 : m_selEnd;
        if (m_selStart < m_text.size()) {
            Replace(m_selStart, end, {}, true);
        }
    });
}

std::string CNumericBehavior::Cut() {
    if (m_readOnly || m_selStart == m_selEnd) {
        return {};
    }
    std::string cut = m_text.substr(m_selStart, m_selEnd - m_selStart);
    // Removing a piece may join what the filter has to bring back to the limits again.
    Edit([&] { Replace(m_selStart, m_selEnd, {}, true); });
    return cut;
}

void CNumericBehavior::Clear() {
    if (m_selStart != m_selEnd) {
        OnDelete();
    }
}

void CNumericBehavior::Paste(std::string_view clipboard) {
    if (m_readOnly) {
        return;
    }
    Edit([&] {
        const std::size_t start = m_selStart;
        const std::size_t end = m_selEnd;
        Replace(start, end, clipboard, false);
        const std::string valid = GetValidText();
        if (valid != m_text) {
            m_text = valid;
            m_selStart = std::min(start, m_text.size());
            m_selEnd = std::min(end, m_text.size());
        }
    });
}
