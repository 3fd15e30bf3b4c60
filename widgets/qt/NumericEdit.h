#pragma once

#include <QColor>
#include <QLineEdit>

#include "widgets/NumericBehavior.h"

// A single-line edit that shows a numeric field's behaviour: every key, clipboard action and
// focus loss goes to the behaviour, and the edit shows the text and selection it keeps. The
// behaviour must outlive the edit.
class CNumericEdit : public QLineEdit {
    Q_OBJECT

public:
    CNumericEdit(CNumericBehavior& behavior, QWidget* parent);
    ~CNumericEdit() override;
    CNumericEdit(const CNumericEdit&) = delete;
    CNumericEdit& operator=(const CNumericEdit&) = delete;

    CNumericBehavior& Behavior() { return m_behavior; }
    // Paints the background in this colour, also while the edit is read-only.
    void SetBackgroundColor(const QColor& colour);
    // Runs the checks of leaving the field (beep, message) now; false when the value asks the
    // focus to stay, which the edit then takes back. A dialog calls it before OK takes effect.
    bool Leave();

signals:
    // The field was left and its checks have run.
    void Left();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    void ShowBehavior();
    void AdoptText(const QString& text);
    void TakeSelection();
    void TypeText(const QString& text);
    void PasteClipboard();
    void CutToClipboard();

    CNumericBehavior& m_behavior;
    bool m_leaving = false; // a message box of Leave is open
};
