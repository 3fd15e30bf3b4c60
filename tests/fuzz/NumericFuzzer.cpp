// Drives a numeric field with arbitrary sequences of typed keys, deletions, clipboard actions,
// program-set texts, option changes and focus losses, and stops as soon as its text is no longer
// a number within the field's digit limits.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "widgets/NumericBehavior.h"

namespace {

void Require(bool condition, const char* invariant, const std::string& text) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s (text \"%s\")\n", invariant, text.c_str());
        std::abort();
    }
}

struct Limits {
    int WholeDigits;
    int DecimalPlaces;
};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void CheckText(const CNumericBehavior& field, const Limits& limits, const NumericSymbols& s) {
    const std::string& text = field.Text();
    Require(field.SelectionStart() <= field.SelectionEnd(), "selection in order", text);
    Require(field.SelectionEnd() <= text.size(), "selection inside the text", text);
    std::size_t at = 0;
    if (!text.empty() && text[0] == s.NegativeSign) {
        Require((field.Flags() & CNumericBehavior::CannotBeNegative) == 0,
                "a sign only where negatives are allowed", text);
        at = 1;
    }
    int whole = 0;
    int places = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        if (text[at] == s.DecimalPoint) {
            Require(!point, "at most one decimal point", text);
            Require(limits.DecimalPlaces > 0, "a point only where places are allowed", text);
            point = true;
        } else {
            Require(IsDigit(text[at]), "only digits besides a leading sign and the point", text);
            ++(point ? places : whole);
        }
    }
    Require(whole <= limits.WholeDigits, "whole digits within the limit", text);
    Require(places <= limits.DecimalPlaces, "decimal places within the limit", text);
}

// Reads the input byte by byte; past its end every read gives 0.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool AtEnd() const { return m_at >= m_size; }
    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::string_view Text() {
        const std::size_t length =
            std::min<std::size_t>(Byte() % 16, m_size - std::min(m_at, m_size));
        const std::string_view text(reinterpret_cast<const char*>(m_data + m_at), length);
        m_at += length;
        return text;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

void RunOne(CNumericBehavior& field, Limits& limits, Input& input) {
    switch (input.Byte() % 13) {
    case 0: {
        const std::uint8_t key = input.Byte();
        field.OnChar(static_cast<char>(key));
        break;
    }
    case 1:
        field.OnBackspace();
        break;
    case 2:
        field.OnDelete();
        break;
    case 3:
        field.Cut();
        break;
    case 4:
        field.Clear();
        break;
    case 5:
        field.Paste(input.Text());
        break;
    case 6:
        field.SetText(input.Text());
        break;
    case 7: {
        const std::size_t start = input.Byte() % 12;
        field.SetSelection(start, input.Byte() % 12);
        break;
    }
    case 8:
        field.OnKillFocus();
        break;
    case 9: {
        const std::uint32_t add = input.Byte() | (input.Byte() & 0x3F) << 8;
        field.ModifyFlags(add, input.Byte() | (input.Byte() & 0x3F) << 8);
        break;
    }
    case 10:
        limits.WholeDigits = input.Byte() % 8;
        field.SetMaxWholeDigits(input.Byte() % 2 == 0 ? limits.WholeDigits : -limits.WholeDigits);
        break;
    case 11:
        limits.DecimalPlaces = input.Byte() % 4;
        field.SetMaxDecimalPlaces(limits.DecimalPlaces);
        break;
    default:
        field.SetRange(static_cast<std::int8_t>(input.Byte()) * 2.5,
                       static_cast<std::int8_t>(input.Byte()) * 2.5);
        field.SetDouble(static_cast<std::int16_t>(input.Byte() << 8 | input.Byte()) / 7.0,
                        input.Byte() % 2 == 0);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(data, size);
    const NumericSymbols symbols =
        input.Byte() % 2 == 0 ? NumericSymbols{'-', '.', ','} : NumericSymbols{'-', ',', '.'};
    Limits limits{input.Byte() % 8, input.Byte() % 4};
    CNumericBehavior field(limits.WholeDigits, limits.DecimalPlaces, symbols);
    while (!input.AtEnd()) {
        RunOne(field, limits, input);
        CheckText(field, limits, symbols);
    }
    return 0;
}
