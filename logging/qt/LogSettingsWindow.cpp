#include "logging/qt/LogSettingsWindow.h"

#include <QButtonGroup>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "logging/LogTexts.h"
#include "widgets/qt/DialogLayout.h"

namespace {

const QSize DIALOG_UNITS(262, 105);
const QString FILE_FILTER = QStringLiteral("Spectrel Log Files (*.csv);;All files (*)");
const QString MESSAGE_CAPTION = QStringLiteral("Spectrel");

struct Radio {
    const char* Text;
    QRect Units;
    int Mode;
};
// "Continuous logging" is wider than the Windows tool had it: this desktop's fonts need the room,
// and nothing stands to its right.
constexpr std::array<Radio, 3> RADIOS{{
    {"Continuous logging", {7, 7, 100, 10}, LOG_CONTINUOUS},
    {"Log on match", {7, 20, 59, 10}, LOG_ON_MATCH},
    {"Log on interval", {7, 33, 63, 10}, LOG_ON_INTERVAL},
}};

QLabel* AddLabel(const char* text, QWidget* parent, QWidget* buddy) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

CLogSettingsWindow::CLogSettingsWindow(const LogSettings& settings, QWidget* parent)
    : QDialog(parent), m_controller(*this, settings), m_modes(new QButtonGroup(this)),
      m_interval(new QLineEdit(this)), m_fileName(new QLineEdit(this)) {
    setWindowTitle(QString::fromLatin1(TEXT_LOG_SETTINGS_CAPTION));
    CDialogLayout layout(font());
    for (const Radio& radio : RADIOS) {
        auto* button = new QRadioButton(QString::fromLatin1(radio.Text), this);
        m_modes->addButton(button, radio.Mode);
        layout.Place(button, radio.Units);
    }
    m_interval->setAccessibleName(QStringLiteral("Interval in seconds"));
    layout.Place(m_interval, {88, 31, 40, 14});
    layout.Place(AddLabel("Seconds", this, m_interval), {131, 34, 29, 8});
    layout.Place(AddLabel("File:", this, m_fileName), {7, 61, 14, 8});
    m_fileName->setAccessibleName(QStringLiteral("File"));
    layout.Place(m_fileName, {23, 58, 179, 14});
    auto* browse = new QPushButton(QStringLiteral("Browse"), this);
    layout.Place(browse, {205, 58, 50, 14});
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    layout.Place(ok, {148, 84, 50, 14});
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    layout.Place(cancel, {205, 84, 50, 14});
    setFixedSize(layout.ToPixels(DIALOG_UNITS));

    // On the state change, not the click: a screen reader or the arrow keys check a radio
    // without clicking it. Only the radio that becomes checked counts.
    connect(m_modes, &QButtonGroup::idToggled, this, [this](int mode, bool checked) {
        if (!checked) {
            return;
        }
        if (mode == LOG_ON_INTERVAL) {
            m_controller.OnIntervalOn();
        } else {
            m_controller.OnIntervalOff();
        }
    });
    connect(browse, &QPushButton::clicked, this, [this] { m_controller.OnBrowse(); });
    connect(ok, &QPushButton::clicked, this, &CLogSettingsWindow::accept);
    connect(cancel, &QPushButton::clicked, this, &CLogSettingsWindow::reject);
    m_controller.OnInitDialog();
}

void CLogSettingsWindow::Push(const LogSettingsValues& values) {
    const QSignalBlocker blocker(m_modes);
    if (QAbstractButton* button = m_modes->button(values.Mode)) {
        button->setChecked(true);
    }
    m_interval->setText(QString::fromStdString(values.IntervalText));
    m_fileName->setText(QString::fromStdString(values.FileName));
}

LogSettingsValues CLogSettingsWindow::Pull() const {
    return {m_modes->checkedId(), m_interval->text().toStdString(),
            m_fileName->text().toStdString()};
}

void CLogSettingsWindow::EnableInterval(bool enable) {
    m_interval->setEnabled(enable);
}

bool CLogSettingsWindow::ChooseLogFile(const std::string& initial, std::string& chosen) {
    QFileDialog dialog(this, QString(), QString(), FILE_FILTER);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.selectFile(QString::fromStdString(initial));
    while (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        const QString path = dialog.selectedFiles().constFirst();
        // Nothing is created here: logging creates the file when it starts.
        if (QFileInfo::exists(path) ||
            QMessageBox::question(this, windowTitle(),
                                  path + QStringLiteral("\nThis file does not exist.\n\n"
                                                        "Do you want to create it?")) ==
                QMessageBox::Yes) {
            chosen = path.toStdString();
            return true;
        }
    }
    return false;
}

void CLogSettingsWindow::RefuseInterval(const std::string& message) {
    QMessageBox::warning(this, MESSAGE_CAPTION, QString::fromStdString(message));
    m_interval->setFocus();
    m_interval->selectAll();
}

void CLogSettingsWindow::accept() {
    if (m_controller.OnOK()) {
        QDialog::accept();
    }
}
