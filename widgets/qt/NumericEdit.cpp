#include "widgets/qt/NumericEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPalette>
#include <QTimer>

CNumericEdit::CNumericEdit(CNumericBehavior& behavior, QWidget* parent)
    : QLineEdit(parent), m_behavior(behavior) {
    // Dropped text would bypass the behaviour; the clipboard goes through it instead.
    setAcceptDrops(false);
    m_behavior.SetViewListener([this] { ShowBehavior(); });
    ShowBehavior();
    connect(this, &QLineEdit::textChanged, this, &CNumericEdit::AdoptText);
}

// A text that reached the edit without passing the behaviour (an assistive tool setting it,
// a key the edit handled itself) goes through the filter like a text set by the program.
void CNumericEdit::AdoptText(const QString& text) {
    if (text != QString::fromLatin1(m_behavior.Text())) {
        const int caret = cursorPosition();
        m_behavior.SetText(text.toStdString());
        m_behavior.SetSelection(caret, caret);
    }
}

CNumericEdit::~CNumericEdit() {
    m_behavior.SetViewListener({});
}

void CNumericEdit::SetBackgroundColor(const QColor& colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::Base, colour);
    setPalette(colours);
}

void CNumericEdit::ShowBehavior() {
    const QString text = QString::fromLatin1(m_behavior.Text());
    if (QLineEdit::text() != text) {
        setText(text);
    }
    setReadOnly(m_behavior.IsReadOnly());
    const int start = static_cast<int>(m_behavior.SelectionStart());
    const int end = static_cast<int>(m_behavior.SelectionEnd());
    if (start == end) {
        setCursorPosition(start);
    } else {
        setSelection(start, end - start);
    }
}

void CNumericEdit::TakeSelection() {
    if (hasSelectedText()) {
        const int start = selectionStart();
        m_behavior.SetSelection(start, start + static_cast<int>(selectedText().size()));
    } else {
        m_behavior.SetSelection(cursorPosition(), cursorPosition());
    }
}

void CNumericEdit::TypeText(const QString& text) {
    TakeSelection();
    for (const QChar character : text) {
        // Nothing beyond ASCII can be a digit, sign or decimal point of the field.
        if (character.unicode() < 0x80) {
            m_behavior.OnChar(static_cast<char>(character.unicode()));
        }
    }
}

void CNumericEdit::PasteClipboard() {
    TakeSelection();
    m_behavior.Paste(QApplication::clipboard()->text().toStdString());
}

void CNumericEdit::CutToClipboard() {
    TakeSelection();
    const std::string cut = m_behavior.Cut();
    if (!cut.empty()) {
        QApplication::clipboard()->setText(QString::fromStdString(cut));
    }
}

void CNumericEdit::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Paste) {
        PasteClipboard();
    } else if (event == QKeySequence::Cut) {
        CutToClipboard();
    } else if (event == QKeySequence::Undo || event == QKeySequence::Redo) {
        // The edit's own history would bring back texts the behaviour never saw.
    } else if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier) {
        TakeSelection();
        m_behavior.OnBackspace();
    } else if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        TakeSelection();
        m_behavior.OnDelete();
    } else if (!event->text().isEmpty() && event->text().at(0).isPrint() &&
               (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0) {
        TypeText(event->text());
    } else {
        // Movement, selection, Enter, Escape and the rest (a key that edits the text anyway,
        // a word deletion, is filtered by AdoptText).
        QLineEdit::keyPressEvent(event);
        TakeSelection();
        return;
    }
    event->accept();
}

void CNumericEdit::inputMethodEvent(QInputMethodEvent* event) {
    TypeText(event->commitString());
    event->accept();
}

void CNumericEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    const bool editable = !m_behavior.IsReadOnly();
    menu.addAction(tr("Cu&t"), this, &CNumericEdit::CutToClipboard)
        ->setEnabled(editable && hasSelectedText());
    menu.addAction(tr("&Copy"), this, &QLineEdit::copy)->setEnabled(hasSelectedText());
    menu.addAction(tr("&Paste"), this, &CNumericEdit::PasteClipboard)->setEnabled(editable);
    menu.addAction(tr("Delete"), this,
                   [this] {
                       TakeSelection();
                       m_behavior.Clear();
                   })
        ->setEnabled(editable && hasSelectedText());
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, &QLineEdit::selectAll);
    menu.exec(event->globalPos());
}

void CNumericEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // Another window taking the activation (the range message itself, a menu) is no leaving:
    // the focus comes back here when the dialog is active again.
    if (m_leaving || event->reason() == Qt::ActiveWindowFocusReason ||
        event->reason() == Qt::PopupFocusReason) {
        return;
    }
    if (!Leave()) {
        QTimer::singleShot(0, this, [this] { setFocus(Qt::OtherFocusReason); });
    }
}

bool CNumericEdit::Leave() {
    TakeSelection();
    const FocusLossActions actions = m_behavior.OnKillFocus();
    if (actions.Beep) {
        QApplication::beep();
    }
    if (!actions.Message.empty()) {
        m_leaving = true;
        QMessageBox::warning(this, QApplication::applicationDisplayName(),
                             QString::fromStdString(actions.Message));
        m_leaving = false;
    }
    emit Left();
    return !actions.KeepFocus;
}
