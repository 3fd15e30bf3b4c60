// The data exchange of the main window: every bound value to its control and back.
#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <utility>

#include "panel/qt/PanelControls.h"

namespace {

const QString NOT_AN_INTEGER = QStringLiteral("Please enter an integer.");

void CheckRadio(QButtonGroup* group, int index) {
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; "none" needs the rule lifted for a moment.
    if (QAbstractButton* checked = group->checkedButton()) {
        group->setExclusive(false);
        checked->setChecked(false);
        group->setExclusive(true);
    }
}

// A field that already shows the text is left alone: setText would move the caret to the end,
// drop the selection and the undo history of a field the user is typing in, every reading.
void SetFieldText(QWidget* control, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        if (edit->text() != shown) {
            edit->setText(shown);
        }
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        if (label->text() != shown) {
            label->setText(shown);
        }
    }
}

std::string FieldText(const QWidget* control) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(control)) {
        return edit->text().toStdString();
    }
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        return label->text().toStdString();
    }
    return {};
}

} // namespace

struct CPanelControls::Bindings {
    std::vector<std::pair<ControlId, int*>> Combos;
    std::vector<std::pair<QButtonGroup*, int*>> Radios;
    std::vector<std::pair<ControlId, int*>> Checks;
    std::vector<std::pair<ControlId, std::string*>> Texts;
    // Hidden step field, its spin, the step.
    std::vector<std::tuple<ControlId, ControlId, int*>> Steps;
    std::pair<ControlId, int*> Slider;
};

CPanelControls::Bindings CPanelControls::Bind(PanelValues& values) const {
    Bindings bindings;
    bindings.Combos = {{IDC_AVERAGING, &values.AveragingIndex},
                       {IDC_OUTPUT_DURATION, &values.OutputDurationIndex},
                       {IDC_PORT, &values.PortIndex},
                       {IDC_CHANNEL, &values.SelectedChannel}};
    bindings.Radios = {{m_triggering, &values.TriggeringIndex},
                       {m_channelMode, &values.ChannelMode},
                       {m_matchOutput, &values.MatchOutput},
                       {m_displayMode, &values.DisplayMode}};
    bindings.Checks = {{IDC_AMBIENT_SUBTRACTION, &values.AmbientSubtraction},
                       {IDC_CHANNEL_ENABLED, &values.ChannelEnabled}};
    bindings.Texts = {{IDC_ILLUMINATION, &values.IlluminationText},
                      {IDC_SERIAL_NUMBER, &values.SerialNumberText},
                      {IDC_COLOR_RED, &values.ColorTexts[0]},
                      {IDC_COLOR_GREEN, &values.ColorTexts[1]},
                      {IDC_COLOR_BLUE, &values.ColorTexts[2]},
                      {IDC_LUMINOSITY, &values.LuminosityText},
                      {IDC_TOLERANCE_RED, &values.ToleranceTexts[0]},
                      {IDC_TOLERANCE_GREEN, &values.ToleranceTexts[1]},
                      {IDC_TOLERANCE_BLUE, &values.ToleranceTexts[2]},
                      {IDC_READING_RED, &values.ReadingTexts[0]},
                      {IDC_READING_GREEN, &values.ReadingTexts[1]},
                      {IDC_READING_BLUE, &values.ReadingTexts[2]},
                      {IDC_ROW_LABEL_1, &values.FirstRowLabel}};
    for (int row = 0; row < RECOGNIZED_ROWS; ++row) {
        bindings.Texts.emplace_back(RECOGNIZED_FIELDS[row], &values.RecognizedTexts[row]);
    }
    bindings.Steps = {
        {IDC_TOLERANCE_RED_STEP, IDC_TOLERANCE_RED_SPIN, &values.ToleranceSteps[0]},
        {IDC_TOLERANCE_GREEN_STEP, IDC_TOLERANCE_GREEN_SPIN, &values.ToleranceSteps[1]},
        {IDC_TOLERANCE_BLUE_STEP, IDC_TOLERANCE_BLUE_SPIN, &values.ToleranceSteps[2]}};
    bindings.Slider = {IDC_ILLUMINATION_SLIDER, &values.Illumination};
    return bindings;
}

void CPanelControls::Push(const PanelValues& values) {
    PanelValues pushed = values;
    const Bindings bindings = Bind(pushed);
    std::vector<QSignalBlocker> blockers;
    for (QObject* control : m_created) {
        blockers.emplace_back(control);
    }
    for (QButtonGroup* group : {m_triggering, m_channelMode, m_matchOutput, m_displayMode}) {
        blockers.emplace_back(group);
    }

    for (const auto& [id, index] : bindings.Combos) {
        static_cast<QComboBox*>(Control(id))->setCurrentIndex(*index);
    }
    for (const auto& [group, index] : bindings.Radios) {
        CheckRadio(group, *index);
    }
    for (const auto& [id, checked] : bindings.Checks) {
        static_cast<QAbstractButton*>(Control(id))->setChecked(*checked != 0);
    }
    for (const auto& [id, text] : bindings.Texts) {
        SetFieldText(Control(id), *text);
    }
    // The spin follows its buddy, so the user's next step starts from the pushed one. Combos,
    // radios, checks, spins and the slider change nothing when given the value they show.
    for (const auto& [step, spin, value] : bindings.Steps) {
        SetFieldText(Control(step), std::to_string(*value));
        static_cast<QSpinBox*>(Control(spin))->setValue(*value);
    }
    static_cast<QSlider*>(Control(bindings.Slider.first))->setValue(*bindings.Slider.second);
    NameRecognizedField(0);
}

bool CPanelControls::Pull(PanelValues& values, QWidget*& rejected, QString& reason) const {
    PanelValues pulled = values;
    const Bindings bindings = Bind(pulled);
    for (const auto& [id, index] : bindings.Combos) {
        *index = static_cast<QComboBox*>(Control(id))->currentIndex();
    }
    for (const auto& [group, index] : bindings.Radios) {
        *index = group->checkedId();
    }
    for (const auto& [id, checked] : bindings.Checks) {
        *checked = static_cast<QAbstractButton*>(Control(id))->isChecked() ? 1 : 0;
    }
    for (const auto& [id, text] : bindings.Texts) {
        *text = FieldText(Control(id));
    }
    for (const auto& [step, spin, value] : bindings.Steps) {
        bool isNumber = false;
        *value = static_cast<QLineEdit*>(Control(step))->text().trimmed().toInt(&isNumber);
        if (!isNumber) {
            rejected = Control(spin);
            reason = NOT_AN_INTEGER;
            return false;
        }
    }
    *bindings.Slider.second = static_cast<QSlider*>(Control(bindings.Slider.first))->value();
    values = std::move(pulled);
    return true;
}
