#pragma once

// The characters a numeric field reads as sign and decimal point, and the group separator it
// must never take for either.
struct NumericSymbols {
    char NegativeSign = '-';
    char DecimalPoint = '.';
    char GroupSeparator = ',';

    // From localeconv() of the current C locale. A symbol the locale leaves empty, or gives as
    // more than one byte (a UTF-8 separator a single-byte field cannot hold), keeps its default.
    static NumericSymbols FromLocale();
};
