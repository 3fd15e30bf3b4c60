#include "widgets/NumericSymbols.h"

#include <clocale>
#include <cstring>

namespace {

char SingleCharacter(const char* text, char fallback) {
    if (text == nullptr || std::strlen(text) != 1 || static_cast<unsigned char>(text[0]) > 0x7F) {
        return fallback;
    }
    return text[0];
}

} // namespace

NumericSymbols NumericSymbols::FromLocale() {
    const std::lconv* conventions = std::localeconv();
    NumericSymbols symbols;
    symbols.NegativeSign = SingleCharacter(conventions->negative_sign, '-');
    symbols.DecimalPoint = SingleCharacter(conventions->decimal_point, '.');
    symbols.GroupSeparator = SingleCharacter(conventions->thousands_sep, ',');
    if (symbols.GroupSeparator == symbols.DecimalPoint) {
        symbols.GroupSeparator = symbols.DecimalPoint == ',' ? '.' : ',';
    }
    return symbols;
}
