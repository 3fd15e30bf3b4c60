#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "widgets/NumericSymbols.h"

// What leaving a numeric field asks of the widget that shows it, in this order: beep, show the
// message (when not empty), put the focus back on the field.
struct FocusLossActions {
    bool Beep = false;
    std::string Message;
    bool KeepFocus = false;
};

// The behaviour of a validating numeric field, free of any toolkit: it owns the field's text and
// selection and applies every typed character, deletion, paste and program-set text so that the
// text is always a number within the digit limits (a sign only in front, at most one decimal
// point). Leaving the field checks the value against the range as the options say. The widget
// forwards the user's input here and shows Text() and the selection whenever they change.
// Positions are byte offsets; the text only ever holds single-byte characters.
class CNumericBehavior {
public:
    enum Option : std::uint32_t {
        BeepIfInvalid = 0x0001,
        BeepIfEmpty = 0x0002,
        AdjustIfInvalid = 0x0004,
        AdjustIfEmpty = 0x0008,
        KeepFocusIfInvalid = 0x0010,
        KeepFocusIfEmpty = 0x0020,
        MessageIfInvalid = 0x0040,
        MessageIfEmpty = 0x0080,
        PadWholeWithZeros = 0x0100,
        PadDecimalsWithZeros = 0x0200,
        AllowEmpty = 0x0400,
        TrimLeadingZeros = 0x0800,
        CannotBeNegative = 0x1000,
        AddDecimalAfterMaxWhole = 0x2000,
    };

    // A negative maxWholeDigits forbids the negative sign. The symbols default to the locale's.
    CNumericBehavior(int maxWholeDigits, int maxDecimalPlaces);
    CNumericBehavior(int maxWholeDigits, int maxDecimalPlaces, const NumericSymbols& symbols);

    // The field
    const std::string& Text() const { return m_text; }
    std::size_t SelectionStart() const { return m_selStart; }
    std::size_t SelectionEnd() const { return m_selEnd; }
    // Positions beyond the text are taken as its end; start and end may come in either order.
    void SetSelection(std::size_t start, std::size_t end);
    bool IsReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    char DecimalPoint() const { return m_symbols.DecimalPoint; }
    char NegativeSign() const { return m_symbols.NegativeSign; }
    // Called after every operation that changed the text (the owning dialog's change handler).
    void SetChangeHandler(std::function<void()> handler) { m_changeHandler = std::move(handler); }
    // Called after every operation that may have changed the text or the selection (the widget
    // that shows the field); an empty function detaches it.
    void SetViewListener(std::function<void()> listener) { m_viewListener = std::move(listener); }

    // The user's input. A read-only field takes none of it.
    void OnChar(char character); // one printable character typed
    void OnBackspace();
    void OnDelete();
    std::string Cut(); // returns what goes to the clipboard
    void Clear();
    void Paste(std::string_view clipboard);
    FocusLossActions OnKillFocus();
    // Any text set by the program; the caret goes to its end.
    void SetText(std::string_view text);

    // Options, limits and range; each change rebuilds the text.
    std::uint32_t Flags() const { return m_flags; }
    void ModifyFlags(std::uint32_t add, std::uint32_t remove);
    void SetMaxWholeDigits(int digits);
    void SetMaxDecimalPlaces(int places);
    void AllowNegative(bool allow);
    void SetRange(double minimum, double maximum);
    double Minimum() const { return m_minimum; }
    double Maximum() const { return m_maximum; }

    // The value of the text; an empty text is 0.
    double GetDouble() const;
    // The text becomes the value with six decimals in the field's format, trailing zeros and
    // then a trailing decimal point removed when asked.
    void SetDouble(double value, bool trimZeros);
    bool IsValid() const; // minimum <= value <= maximum
    void AdjustWithinRange();
    // The range message for the bounds set ("Please specify a numeric value between 0 and 100.").
    std::string ErrorMessage() const;
    // The text filtered to the digit limits and options.
    std::string GetValidText() const { return ValidText(m_text); }

private:
    bool AllowsNegative() const { return (m_flags & CannotBeNegative) == 0; }
    std::string ValidText(std::string_view text) const;
    std::string NumericText() const;
    std::string FormatNumber(double value, bool trimZeros) const;
    void TypeSign();
    void TypeDecimalPoint();
    void TypeDigit(char digit);
    void TypeWholeDigit(char digit, std::size_t decimalAt);
    // Replaces [start, end) by insert and puts the caret after it; rebuilds when asked.
    void Replace(std::size_t start, std::size_t end, std::string_view insert, bool rebuild);
    // The text through the filter, caret kept; the step after an edit.
    void Rebuild();
    void Redraw();
    void PadForFocusLoss(std::string& work) const;
    void RunFocusChecks(bool empty, FocusLossActions& actions);
    // Runs one operation and tells the listeners what changed.
    void Edit(const std::function<void()>& operation);

    NumericSymbols m_symbols;
    int m_maxWholeDigits;
    int m_maxDecimalPlaces;
    std::uint32_t m_flags = 0;
    double m_minimum;
    double m_maximum;
    bool m_adjusting = false;
    int m_editDepth = 0; // listeners hear of nested operations once, when the outer one ends
    bool m_readOnly = false;
    std::string m_text;
    std::size_t m_selStart = 0;
    std::size_t m_selEnd = 0;
    std::function<void()> m_changeHandler;
    std::function<void()> m_viewListener;
};
