#include "teach/qt/MultiSampleTeachDialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "teach/MultiSampleTeachDlg.h"
#include "teach/qt/TeachFields.h"
#include "widgets/qt/MessageBoxes.h"

CMultiSampleTeachDialog::CMultiSampleTeachDialog(CMultiSampleTeachDlg& controller, QWidget* parent)
    : QDialog(parent), m_controller(controller), m_target(this) {
    setWindowTitle(QStringLiteral("Multi-Sample Teach "));
    auto* layout = new QVBoxLayout(this);
    auto* samples = new QGridLayout;
    AddColourHeadings(samples, this);
    for (int row = 0; row < SAMPLE_ROWS; ++row) {
        const QString number = QString::number(row + 1);
        m_teach[row] = new QPushButton(QStringLiteral("Teach"), this);
        m_teach[row]->setAccessibleName(QStringLiteral("Teach sample ") + number);
        m_teach[row]->setEnabled(row == 0);
        const int id = IDC_TEACH_SAMPLE_FIRST + row;
        connect(m_teach[row], &QPushButton::clicked, this,
                [this, id] { m_controller.OnTeach(id); });
        samples->addWidget(m_teach[row], row + 1, 0);
        for (int colour = 0; colour < 3; ++colour) {
            m_samples[row][colour] = AddReadOnlyField(
                samples, row + 1, colour + 1,
                QStringLiteral("Sample ") + number + QLatin1Char(' ') + ColourName(colour, false),
                this);
        }
    }
    layout->addLayout(samples);

    auto* result = new QGroupBox(QStringLiteral("Result"), this);
    auto* resultGrid = new QGridLayout(result);
    AddRowLabel(resultGrid, 0, QStringLiteral("Color (%)"), result);
    AddRowLabel(resultGrid, 1, QStringLiteral("Tolerance (%)"), result);
    AddRowLabel(resultGrid, 2, QStringLiteral("Spread (% of tol.)"), result);
    for (int colour = 0; colour < 3; ++colour) {
        m_color[colour] = AddReadOnlyField(
            resultGrid, 0, colour + 1, ColourName(colour, true) + QStringLiteral(" color"), result);
        m_tolerance[colour] =
            AddReadOnlyField(resultGrid, 1, colour + 1,
                             ColourName(colour, true) + QStringLiteral(" tolerance"), result);
        m_spread[colour] = AddReadOnlyField(
            resultGrid, 2, colour + 1,
            ColourName(colour, true) + QStringLiteral(" spread in percent of the tolerance"),
            result);
    }
    layout->addWidget(result);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_controller.OnInitDialog(*this);
    // The dialog is there to take samples: it opens on the first Teach button, and Enter
    // presses whichever button has the focus (OK while a field has it).
    m_teach[0]->setFocus();
}

CMultiSampleTeachDialog::~CMultiSampleTeachDialog() {
    m_controller.OnDestroy();
    m_target.Detach();
}

bool CMultiSampleTeachDialog::event(QEvent* event) {
    if (event->type() == CSensorEvent::EventType()) {
        const auto* notification = static_cast<CSensorEvent*>(event);
        m_controller.OnSensorNotification(notification->Message(), notification->WParam());
        return true;
    }
    return QDialog::event(event);
}

void CMultiSampleTeachDialog::EnableTeachButton(int row, bool enable) {
    QPushButton* button = m_teach[row];
    // A focused Teach button that its own press disables would hand the keyboard to a field,
    // where the next Enter presses OK; it goes to the next sample's button instead, once the
    // reply has enabled the rows again.
    m_keyboardOnTeach = m_keyboardOnTeach || (!enable && button->hasFocus());
    button->setEnabled(enable);
    if (enable && m_keyboardOnTeach) {
        m_keyboardOnTeach = false;
        QTimer::singleShot(0, this, [this] {
            const auto last =
                std::find_if(m_teach.rbegin(), m_teach.rend(),
                             [](const QPushButton* teach) { return teach->isEnabled(); });
            if (last != m_teach.rend()) {
                (*last)->setFocus();
            }
        });
    }
}

void CMultiSampleTeachDialog::Push(const MultiSampleTexts& texts) {
    for (int colour = 0; colour < 3; ++colour) {
        for (int row = 0; row < SAMPLE_ROWS; ++row) {
            m_samples[row][colour]->setText(QString::fromStdString(texts.Samples[row][colour]));
        }
        m_color[colour]->setText(QString::fromStdString(texts.ResultColor[colour]));
        m_tolerance[colour]->setText(QString::fromStdString(texts.ResultTolerance[colour]));
        m_spread[colour]->setText(QString::fromStdString(texts.ResultSpread[colour]));
    }
}

MessageResult CMultiSampleTeachDialog::ShowMessageBox(const MessageBoxRequest& request) {
    return RunMessageBox(request, this);
}

void CMultiSampleTeachDialog::EndDialog(DialogResult result) {
    QDialog::done(result == DIALOG_OK ? QDialog::Accepted : QDialog::Rejected);
}

void CMultiSampleTeachDialog::accept() {
    m_controller.OnOK();
}

void CMultiSampleTeachDialog::reject() {
    m_controller.OnCancel();
}
