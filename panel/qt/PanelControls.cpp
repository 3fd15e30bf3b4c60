// The four areas of the main window, top to bottom and in tab order: "Sensor Settings",
// "Sensor Communications", "Color Recognition Channels", "Current Reading". Rectangles are in
// dialog units, window coordinates.
#include "panel/qt/PanelControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTextEdit>
#include <array>

#include "panel/qt/RGBChart.h"
#include "panel/qt/ToleranceSpin.h"
#include "widgets/qt/DialogLayout.h"

// A control id with its own name, which becomes the widget's object name.
#define CONTROL(id) id, #id

namespace {

constexpr int ILLUMINATION_LENGTH = 3;
constexpr int RECOGNIZED_ROW_PITCH = 13;
const std::array<QString, 3> COLOR_NAMES = {QStringLiteral("Red"), QStringLiteral("Green"),
                                            QStringLiteral("Blue")};
const std::array<QString, 3> COLUMN_CAPTIONS = {QStringLiteral("RED"), QStringLiteral("GREEN"),
                                                QStringLiteral("BLUE")};

QPoint Origin(const QRect& units) {
    return units.topLeft();
}

} // namespace

CPanelControls::CPanelControls(QWidget* parent, CDialogLayout& layout) : m_layout(layout) {
    BuildSensorSettings(parent);
    BuildCommunications(parent);
    BuildChannels(parent);
    BuildCurrentReading(parent);
    ApplyTabOrder();
    // Enter presses the focused push button, as Space does; in a field it still does nothing.
    for (QWidget* control : m_created) {
        if (auto* push = qobject_cast<QPushButton*>(control)) {
            push->setAutoDefault(true);
        }
    }
}

QWidget* CPanelControls::Control(ControlId id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

template <class Widget>
Widget* CPanelControls::Add(ControlId id, const char* name, const Area& area, const QRect& units) {
    auto* widget = new Widget(area.Widget);
    widget->setObjectName(QString::fromLatin1(name));
    m_layout.Place(widget, units, area.Origin);
    m_controls[id] = widget;
    m_created.push_back(widget);
    return widget;
}

QGroupBox* CPanelControls::AddGroup(const QString& caption, const Area& area, const QRect& units) {
    auto* group = new QGroupBox(caption, area.Widget);
    m_layout.Place(group, units, area.Origin);
    return group;
}

void CPanelControls::AddLabel(const QString& text, const Area& area, const QRect& units,
                              QWidget* buddy) {
    auto* label = new QLabel(text, area.Widget);
    m_layout.Place(label, units, area.Origin);
    if (buddy != nullptr) {
        // The buddy makes a screen reader announce the field by this caption.
        label->setBuddy(buddy);
        buddy->setAccessibleDescription(text);
    }
}

void CPanelControls::AddRadio(QButtonGroup* group, int index, ControlId id, const char* name,
                              const QString& text, const Area& area, const QRect& units) {
    auto* radio = Add<QRadioButton>(id, name, area, units);
    radio->setText(text);
    group->addButton(radio, index);
}

QLineEdit* CPanelControls::AddReadOnlyField(ControlId id, const char* name, const Area& area,
                                            const QRect& units, const QString& spokenName) {
    auto* field = Add<QLineEdit>(id, name, area, units);
    field->setReadOnly(true);
    // A line edit's accessible name leaves its text readable, unlike a label's.
    field->setAccessibleName(spokenName);
    field->setAccessibleDescription(spokenName);
    return field;
}

void CPanelControls::BuildSensorSettings(QWidget* parent) {
    const QRect units(5, 5, 125, 183);
    const Area area{AddGroup(QStringLiteral("Sensor Settings"), {parent, {}}, units),
                    Origin(units)};

    auto* averaging = Add<QComboBox>(CONTROL(IDC_AVERAGING), area, {78, 17, 45, 12});
    AddLabel(QStringLiteral("Averaging"), area, {12, 19, 64, 8}, averaging);

    const QRect triggeringUnits(12, 32, 111, 43);
    const Area triggering{AddGroup(QStringLiteral("Triggering"), area, triggeringUnits),
                          Origin(triggeringUnits)};
    m_triggering = new QButtonGroup(triggering.Widget);
    AddRadio(m_triggering, 0, CONTROL(IDC_TRIGGER_FREE_RUN), QStringLiteral("Free Run"), triggering,
             {18, 42, 100, 10});
    AddRadio(m_triggering, 1, CONTROL(IDC_TRIGGER_LEVEL), QStringLiteral("Level"), triggering,
             {18, 52, 100, 10});
    AddRadio(m_triggering, 2, CONTROL(IDC_TRIGGER_EDGE), QStringLiteral("Edge"), triggering,
             {18, 62, 100, 10});

    auto* duration = Add<QComboBox>(CONTROL(IDC_OUTPUT_DURATION), area, {78, 89, 45, 12});
    AddLabel(QStringLiteral("Minimum Output Duration (ms)"), area, {12, 79, 111, 8}, duration);

    // Laid out as on the Windows tool, hidden and disabled: the panel always sends it on.
    auto* ambient = Add<QCheckBox>(CONTROL(IDC_AMBIENT_SUBTRACTION), area, {12, 103, 111, 10});
    ambient->setText(QStringLiteral("Ambient Subtraction"));
    ambient->setEnabled(false);
    ambient->hide();

    auto* illumination = Add<QLineEdit>(CONTROL(IDC_ILLUMINATION), area, {78, 116, 45, 12});
    illumination->setMaxLength(ILLUMINATION_LENGTH);
    AddLabel(QStringLiteral("Illumination (%)"), area, {12, 118, 64, 8}, illumination);
    auto* slider = Add<QSlider>(CONTROL(IDC_ILLUMINATION_SLIDER), area, {12, 131, 111, 15});
    slider->setOrientation(Qt::Horizontal);
    slider->setAccessibleName(QStringLiteral("Illumination"));
    slider->setAccessibleDescription(QStringLiteral("Illumination (%)"));

    Add<QPushButton>(CONTROL(IDC_READ_SETTINGS), area, {12, 151, 111, 14})
        ->setText(QStringLiteral("Read Spectrel Settings"));
    Add<QPushButton>(CONTROL(IDC_SEND_SETTINGS), area, {12, 169, 111, 14})
        ->setText(QStringLiteral("Send Spectrel Settings"));
}

void CPanelControls::BuildCommunications(QWidget* parent) {
    const QRect units(5, 189, 125, 86);
    const Area area{AddGroup(QStringLiteral("Sensor Communications"), {parent, {}}, units),
                    Origin(units)};

    auto* port = Add<QComboBox>(CONTROL(IDC_PORT), area, {34, 202, 48, 12});
    AddLabel(QStringLiteral("Port"), area, {12, 204, 20, 8}, port);
    Add<QPushButton>(CONTROL(IDC_RESET), area, {88, 201, 35, 14})->setText(QStringLiteral("Reset"));

    auto* status = Add<QTextEdit>(CONTROL(IDC_COMM_STATUS), area, {12, 229, 111, 14});
    status->setReadOnly(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    status->setTabChangesFocus(true);
    status->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    status->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    status->setLineWrapMode(QTextEdit::NoWrap);
    status->document()->setDocumentMargin(1);
    status->setAccessibleName(QStringLiteral("Communication status"));
    AddLabel(QStringLiteral("Communication status:"), area, {12, 220, 111, 8}, status);

    auto* serial = AddReadOnlyField(CONTROL(IDC_SERIAL_NUMBER), area, {12, 257, 111, 12},
                                    QStringLiteral("Serial number"));
    AddLabel(QStringLiteral("Serial Number:"), area, {12, 248, 111, 8}, serial);
}

void CPanelControls::BuildChannels(QWidget* parent) {
    const QRect units(135, 5, 180, 270);
    const Area area{AddGroup(QStringLiteral("Color Recognition Channels"), {parent, {}}, units),
                    Origin(units)};

    auto* channel = Add<QComboBox>(CONTROL(IDC_CHANNEL), area, {174, 17, 40, 12});
    AddLabel(QStringLiteral("Channel"), area, {142, 19, 30, 8}, channel);

    const QRect modeUnits(142, 32, 166, 25);
    const Area mode{AddGroup(QStringLiteral("Recognition Mode"), area, modeUnits),
                    Origin(modeUnits)};
    m_channelMode = new QButtonGroup(mode.Widget);
    AddRadio(m_channelMode, 0, CONTROL(IDC_MODE_COLOR_LUMINOSITY),
             QStringLiteral("Color && Luminosity"), mode, {148, 43, 86, 10});
    AddRadio(m_channelMode, 1, CONTROL(IDC_MODE_COLOR_ONLY), QStringLiteral("Color only"), mode,
             {238, 43, 66, 10});

    Add<QCheckBox>(CONTROL(IDC_CHANNEL_ENABLED), area, {142, 61, 110, 10})
        ->setText(QStringLiteral("Recognition Enabled"));

    BuildColorBox(area);

    auto* luminosity = AddReadOnlyField(CONTROL(IDC_LUMINOSITY), area, {202, 148, 32, 12},
                                        QStringLiteral("Luminosity (%)"));
    AddLabel(QStringLiteral("Luminosity (%)"), area, {142, 150, 58, 8}, luminosity);

    const QRect outputUnits(142, 164, 166, 25);
    const Area output{AddGroup(QStringLiteral("Match output"), area, outputUnits),
                      Origin(outputUnits)};
    m_matchOutput = new QButtonGroup(output.Widget);
    AddRadio(m_matchOutput, 0, CONTROL(IDC_OUTPUT_HIGH), QStringLiteral("High"), output,
             {148, 175, 50, 10});
    AddRadio(m_matchOutput, 1, CONTROL(IDC_OUTPUT_LOW), QStringLiteral("Low"), output,
             {204, 175, 50, 10});

    Add<QPushButton>(CONTROL(IDC_TEACH_CHANNEL), area, {142, 196, 166, 14})
        ->setText(QStringLiteral("Teach Spectrel Channel"));
    Add<QPushButton>(CONTROL(IDC_MULTI_SAMPLE_TEACH), area, {142, 214, 166, 14})
        ->setText(QStringLiteral("Multi-Sample Teach Channel"));
    Add<QPushButton>(CONTROL(IDC_READ_ALL_CHANNELS), area, {142, 236, 166, 14})
        ->setText(QStringLiteral("Read All Spectrel Channels"));
    Add<QPushButton>(CONTROL(IDC_SEND_ALL_CHANNELS), area, {142, 254, 166, 14})
        ->setText(QStringLiteral("Send All Spectrel Channels"));
}

// The channel's colour and tolerances in RED, GREEN and BLUE columns, and "Manual".
void CPanelControls::BuildColorBox(const Area& area) {
    const QRect boxUnits(142, 75, 166, 68);
    const Area box{AddGroup(QString(), area, boxUnits), Origin(boxUnits)};
    struct Column {
        ControlId Color;
        const char* ColorName;
        ControlId Tolerance;
        const char* ToleranceName;
        ControlId Spin;
        const char* SpinName;
        ControlId Step;
        const char* StepName;
    };
    static constexpr Column COLUMNS[3] = {
        {CONTROL(IDC_COLOR_RED), CONTROL(IDC_TOLERANCE_RED), CONTROL(IDC_TOLERANCE_RED_SPIN),
         CONTROL(IDC_TOLERANCE_RED_STEP)},
        {CONTROL(IDC_COLOR_GREEN), CONTROL(IDC_TOLERANCE_GREEN), CONTROL(IDC_TOLERANCE_GREEN_SPIN),
         CONTROL(IDC_TOLERANCE_GREEN_STEP)},
        {CONTROL(IDC_COLOR_BLUE), CONTROL(IDC_TOLERANCE_BLUE), CONTROL(IDC_TOLERANCE_BLUE_SPIN),
         CONTROL(IDC_TOLERANCE_BLUE_STEP)},
    };
    AddLabel(QStringLiteral("Color (%)"), box, {148, 96, 52, 8});
    AddLabel(QStringLiteral("Tolerance (%)"), box, {148, 112, 52, 8});
    for (std::size_t column = 0; column < 3; ++column) {
        const int left = 202 + 34 * static_cast<int>(column);
        auto* caption = new QLabel(COLUMN_CAPTIONS[column], box.Widget);
        caption->setAlignment(Qt::AlignHCenter);
        m_layout.Place(caption, {left, 84, 32, 8}, box.Origin);
    }
    for (std::size_t column = 0; column < 3; ++column) {
        const Column& ids = COLUMNS[column];
        const int left = 202 + 34 * static_cast<int>(column);
        AddReadOnlyField(ids.Color, ids.ColorName, box, {left, 94, 32, 12},
                         COLOR_NAMES[column] + QStringLiteral(" color (%)"));
        AddReadOnlyField(ids.Tolerance, ids.ToleranceName, box, {left, 110, 22, 12},
                         COLOR_NAMES[column] + QStringLiteral(" tolerance (%)"));
        auto* spin = Add<CToleranceSpin>(ids.Spin, ids.SpinName, box, {left + 22, 110, 10, 12});
        spin->setAccessibleName(COLOR_NAMES[column] + QStringLiteral(" tolerance"));
        spin->setAccessibleDescription(COLOR_NAMES[column] +
                                       QStringLiteral(" tolerance in half-percent steps"));
        auto* step = Add<QLineEdit>(ids.Step, ids.StepName, box, {left, 110, 22, 12});
        step->setFocusPolicy(Qt::NoFocus);
        step->hide();
    }
    Add<QPushButton>(CONTROL(IDC_MANUAL), box, {252, 126, 50, 14})
        ->setText(QStringLiteral("Manual"));
}

void CPanelControls::BuildCurrentReading(QWidget* parent) {
    const QRect units(319, 5, 130, 270);
    const Area area{AddGroup(QStringLiteral("Current Reading"), {parent, {}}, units),
                    Origin(units)};

    const QRect modeUnits(326, 13, 116, 31);
    const Area mode{AddGroup(QStringLiteral("Display Mode"), area, modeUnits), Origin(modeUnits)};
    m_displayMode = new QButtonGroup(mode.Widget);
    AddRadio(m_displayMode, 0, CONTROL(IDC_DISPLAY_COLOR_LUMINOSITY),
             QStringLiteral("Color && Luminosity"), mode, {332, 22, 104, 10});
    AddRadio(m_displayMode, 1, CONTROL(IDC_DISPLAY_COLOR_ONLY), QStringLiteral("Color only"), mode,
             {332, 32, 104, 10});

    static constexpr std::array<ControlId, 3> READINGS = {IDC_READING_RED, IDC_READING_GREEN,
                                                          IDC_READING_BLUE};
    static constexpr std::array<const char*, 3> READING_NAMES = {
        "IDC_READING_RED", "IDC_READING_GREEN", "IDC_READING_BLUE"};
    for (std::size_t column = 0; column < 3; ++column) {
        const int left = 331 + 31 * static_cast<int>(column);
        auto* caption = new QLabel(COLUMN_CAPTIONS[column], area.Widget);
        caption->setAlignment(Qt::AlignHCenter);
        m_layout.Place(caption, {left, 45, 28, 8}, area.Origin);
        AddReadOnlyField(READINGS[column], READING_NAMES[column], area, {left, 53, 28, 12},
                         COLOR_NAMES[column] + QStringLiteral(" reading"));
    }

    auto* chart = Add<CRGBChart>(CONTROL(IDC_CHART), area, {331, 67, 90, 90});
    chart->setAccessibleName(QStringLiteral("Reading chart"));
    // The labels stand at the chart's 80 % and 20 % lines.
    Add<QLabel>(CONTROL(IDC_LABEL_80), area, {423, 81, 18, 8})->setText(QStringLiteral("80%"));
    Add<QLabel>(CONTROL(IDC_LABEL_20), area, {423, 135, 18, 8})->setText(QStringLiteral("20%"));

    const QRect rowsUnits(326, 161, 116, 108);
    auto* recognized = Add<QGroupBox>(CONTROL(IDC_RECOGNIZED_GROUP), area, rowsUnits);
    recognized->setTitle(QStringLiteral("Recognized Colors"));
    BuildRecognizedRows({recognized, Origin(rowsUnits)});
}

// Rows 1..7: label, 11 x 11 indicator, field; all hidden, the labels greyed, until a model is
// applied.
void CPanelControls::BuildRecognizedRows(const Area& area) {
    static constexpr std::array<const char*, RECOGNIZED_ROWS> LABEL_NAMES = {
        "IDC_ROW_LABEL_1", "IDC_ROW_LABEL_2", "IDC_ROW_LABEL_3", "IDC_ROW_LABEL_4",
        "IDC_ROW_LABEL_5", "IDC_ROW_LABEL_6", "IDC_ROW_LABEL_7"};
    static constexpr std::array<const char*, RECOGNIZED_ROWS> INDICATOR_NAMES = {
        "IDC_INDICATOR_1", "IDC_INDICATOR_2", "IDC_INDICATOR_3", "IDC_INDICATOR_4",
        "IDC_INDICATOR_5", "IDC_INDICATOR_6", "IDC_INDICATOR_7"};
    static constexpr std::array<const char*, RECOGNIZED_ROWS> FIELD_NAMES = {
        "IDC_RECOGNIZED_1", "IDC_RECOGNIZED_2", "IDC_RECOGNIZED_3", "IDC_RECOGNIZED_4",
        "IDC_RECOGNIZED_5", "IDC_RECOGNIZED_6", "IDC_RECOGNIZED_7"};
    for (int row = 0; row < RECOGNIZED_ROWS; ++row) {
        const int top = 174 + RECOGNIZED_ROW_PITCH * row;
        const QString caption = QStringLiteral("Channel %1").arg(row + 1);
        auto* label = Add<QLabel>(ROW_LABELS[row], LABEL_NAMES[row], area, {332, top + 2, 42, 8});
        label->setText(caption);
        label->setEnabled(false);
        auto* indicator =
            Add<CRGBChart>(INDICATORS[row], INDICATOR_NAMES[row], area, {376, top, 11, 11});
        indicator->setAccessibleName(caption + QStringLiteral(" indicator"));
        auto* field =
            AddReadOnlyField(RECOGNIZED_FIELDS[row], FIELD_NAMES[row], area, {390, top - 1, 46, 12},
                             caption + QStringLiteral(" recognized"));
        label->hide();
        indicator->hide();
        field->hide();
    }
}

// Creation order is the areas' order; the focus chain is made to follow it explicitly.
void CPanelControls::ApplyTabOrder() const {
    QWidget* previous = nullptr;
    for (QWidget* control : m_created) {
        if ((control->focusPolicy() & Qt::TabFocus) == 0) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, control);
        }
        previous = control;
    }
}

void CPanelControls::SetText(ControlId id, const QString& text) {
    QWidget* control = Control(id);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    }
    for (int row = 0; row < RECOGNIZED_ROWS; ++row) {
        if (id == ROW_LABELS[row]) {
            NameRecognizedField(row);
        }
    }
}

// A recognized field is announced by its row's caption ("Channel 1 recognized", or "Channel
// recognized" for the single row of a fifteen-channel sensor); an emptied caption keeps the name.
void CPanelControls::NameRecognizedField(int row) {
    const QString caption = static_cast<QLabel*>(Control(ROW_LABELS[row]))->text();
    if (caption.isEmpty()) {
        return;
    }
    QWidget* field = Control(RECOGNIZED_FIELDS[row]);
    field->setAccessibleName(caption + QStringLiteral(" recognized"));
    field->setAccessibleDescription(field->accessibleName());
}

void CPanelControls::TakeSpinStep(ControlId spin) {
    for (std::size_t column = 0; column < TOLERANCE_SPINS.size(); ++column) {
        if (spin == TOLERANCE_SPINS[column]) {
            static constexpr std::array<ControlId, 3> STEPS = {
                IDC_TOLERANCE_RED_STEP, IDC_TOLERANCE_GREEN_STEP, IDC_TOLERANCE_BLUE_STEP};
            const int step = static_cast<QSpinBox*>(Control(spin))->value();
            static_cast<QLineEdit*>(Control(STEPS[column]))->setText(QString::number(step));
        }
    }
}
