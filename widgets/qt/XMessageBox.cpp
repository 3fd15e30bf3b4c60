#include "widgets/qt/XMessageBox.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyle>

namespace {

constexpr int BOX_HEIGHT_LIMIT = 100000;
constexpr int FALLBACK_SCREEN_WIDTH = 1024;

QRect ToQRect(const XRect& rect) {
    return {rect.X, rect.Y, rect.Width, rect.Height};
}

QStyle::StandardPixmap IconPixmap(unsigned icon) {
    switch (icon) {
    case XMB_ICON_HAND:
        return QStyle::SP_MessageBoxCritical;
    case XMB_ICON_QUESTION:
        return QStyle::SP_MessageBoxQuestion;
    case XMB_ICON_ASTERISK:
        return QStyle::SP_MessageBoxInformation;
    default:
        return QStyle::SP_MessageBoxWarning;
    }
}

// The message drawn with the flags it was measured with: word breaks where the text has
// blanks, anywhere inside a word too long for the line (a long path). A label underneath, so
// a screen reader reads it as the box's text.
class WrappedText : public QLabel {
public:
    WrappedText(const QString& text, int flags, QWidget* parent)
        : QLabel(parent), m_text(text), m_flags(flags) {
        setTextFormat(Qt::PlainText);
        setText(text);
        setAccessibleName(text);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawText(rect(), m_flags, m_text);
    }

private:
    QString m_text;
    int m_flags;
};

class XMessageBoxDialog : public QDialog {
public:
    XMessageBoxDialog(QWidget* owner, const QString& text, const XMessageBoxPlan& plan);

    int Result() const { return m_result; }

protected:
    void reject() override; // Escape
    void closeEvent(QCloseEvent* event) override;

private:
    void Finish(int id);

    const XMessageBoxPlan& m_plan;
    int m_result = 0;
};

XMessageBoxDialog::XMessageBoxDialog(QWidget* owner, const QString& text,
                                     const XMessageBoxPlan& plan)
    : QDialog(owner), m_plan(plan) {
    setWindowTitle(QString::fromStdString(plan.Caption));
    // Read out with the title when the box opens, as the toolkit's own message boxes are.
    setAccessibleDescription(text);
    if (!plan.Dismissable) {
        setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    }
    XSize icon;
    if (plan.Icon != 0) {
        const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
        icon = {extent, extent};
    }
    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    const int wrapWidth = XMessageBoxTextWidth(
        screen != nullptr ? screen->geometry().width() : FALLBACK_SCREEN_WIDTH, icon);
    int flags = Qt::TextWordWrap | Qt::TextExpandTabs | Qt::AlignLeft | Qt::AlignTop;
    QRect measured =
        fontMetrics().boundingRect(QRect(0, 0, wrapWidth, BOX_HEIGHT_LIMIT), flags, text);
    if (measured.width() > wrapWidth) {
        flags = (flags & ~Qt::TextWordWrap) | Qt::TextWrapAnywhere;
        measured =
            fontMetrics().boundingRect(QRect(0, 0, wrapWidth, BOX_HEIGHT_LIMIT), flags, text);
    }
    const XMessageBoxGeometry geometry =
        LayoutXMessageBox({measured.width(), measured.height()}, icon, plan.Buttons.size());

    (new WrappedText(text, flags, this))->setGeometry(ToQRect(geometry.Text));
    if (plan.Icon != 0) {
        auto* label = new QLabel(this);
        label->setPixmap(style()
                             ->standardIcon(IconPixmap(plan.Icon), nullptr, this)
                             .pixmap(icon.Width, icon.Height));
        label->setGeometry(ToQRect(geometry.Icon));
    }
    for (std::size_t index = 0; index < plan.Buttons.size(); ++index) {
        const XMessageBoxButton& button = plan.Buttons[index];
        auto* push = new QPushButton(QString::fromStdString(button.Label), this);
        push->setGeometry(ToQRect(geometry.Buttons[index]));
        // Enter presses the focused button; the planned default only while no button has it.
        push->setAutoDefault(true);
        connect(push, &QPushButton::clicked, this, [this, id = button.Id] { Finish(id); });
        if (index == plan.DefaultButton) {
            push->setDefault(true);
            push->setFocus();
        }
    }
    setFixedSize(geometry.Dialog.Width, geometry.Dialog.Height);
}

void XMessageBoxDialog::reject() {
    if (m_plan.Dismissable) {
        Finish(m_plan.Buttons.front().Id);
    }
}

void XMessageBoxDialog::closeEvent(QCloseEvent* event) {
    if (m_plan.Dismissable) {
        m_result = m_plan.Buttons.front().Id;
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
}

void XMessageBoxDialog::Finish(int id) {
    m_result = id;
    done(QDialog::Accepted);
}

} // namespace

int XMessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style,
                const XMessageBoxParams* params) {
    if (owner == nullptr) {
        owner = QApplication::activeModalWidget() != nullptr ? QApplication::activeModalWidget()
                                                             : QApplication::activeWindow();
    }
    const XMessageBoxPlan plan = PlanXMessageBox(caption, style, params);
    XMessageBoxDialog box(owner, QString::fromStdString(text), plan);
    if (params != nullptr && (params->X != 0 || params->Y != 0)) {
        box.move(params->X, params->Y);
    }
    if (plan.Beep) {
        QApplication::beep();
    }
    box.exec();
    return box.Result();
}
