#include "FakeView.h"

#include "panel/SpectrelDlg.h"
#include "teach/ManualEntryDlg.h"
#include "teach/MultiSampleTeachDlg.h"

FakeView::FakeView() {
    Calls.Start([] {});
}

bool FakeView::SendFollowsRead() const {
    return IsEnabled(IDC_SEND_SETTINGS) == IsEnabled(IDC_READ_SETTINGS) &&
           IsEnabled(IDC_SEND_ALL_CHANNELS) == IsEnabled(IDC_READ_ALL_CHANNELS);
}

void FakeView::Push(const PanelValues& values) {
    Controls = values;
    ++Pushes;
}

bool FakeView::Pull(PanelValues& values) {
    if (RejectPull) {
        return false;
    }
    values = Controls;
    return true;
}

void FakeView::FillCombo(ControlId id, const std::vector<std::string>& items) {
    ComboItems[id] = items;
}

void FakeView::SetSliderRange(ControlId, int minimum, int maximum) {
    SliderRange = {minimum, maximum};
}

void FakeView::SetSpinRange(ControlId id, int minimum, int maximum) {
    SpinRange[id] = {minimum, maximum};
}

void FakeView::SetChartColor(ControlId chart, ChartProperty property, int value) {
    ChartColors[{chart, property}] = value;
}

void FakeView::SetChartStyle(ControlId chart, const std::string& style) {
    ChartStyles[chart] = style;
}

void FakeView::SetRichStatus(const std::string& text, std::size_t boldLength) {
    RichStatus = text;
    BoldLength = boldLength;
}

MessageResult FakeView::ShowMessageBox(const MessageBoxRequest& request) {
    Messages.push_back(request);
    if (WhileBoxOpen) {
        WhileBoxOpen();
    }
    if (Answers.empty()) {
        return request.DefaultButton;
    }
    const MessageResult answer = Answers.front();
    Answers.pop_front();
    return answer;
}

void FakeView::ShowAboutBox(const AboutInfo& about) {
    AboutBoxes.push_back(about);
    if (WhileBoxOpen) {
        WhileBoxOpen();
    }
}

bool FakeView::ShowFileDialog(const FileDialogRequest& request, std::string& path) {
    FileDialogs.push_back(request);
    if (FileAnswers.empty()) {
        return false;
    }
    const std::optional<std::string> answer = FileAnswers.front();
    FileAnswers.pop_front();
    if (answer) {
        path = *answer;
    }
    return answer.has_value();
}

int FakeView::ShowXMessageBox(const std::string& text, const std::string& caption, unsigned style,
                              const XMessageBoxParams& params) {
    XBoxes.push_back({text, caption, style, params});
    if (XAnswers.empty()) {
        return XMB_FIRST_CUSTOM_ID;
    }
    const int answer = XAnswers.front();
    XAnswers.pop_front();
    return answer;
}

bool FakeView::RunLogSettingsDlg(LogSettings& settings) {
    return LogSettingsUser && LogSettingsUser(settings);
}

bool FakeView::OpenDocument(const std::string& path) {
    OpenedDocuments.push_back(path);
    return OpenSucceeds;
}

DialogResult FakeView::RunMultiSampleTeach(CMultiSampleTeachDlg& dialog) {
    FakeMultiSampleView view;
    dialog.OnInitDialog(view);
    if (MultiSampleTeachScript) {
        MultiSampleTeachScript(dialog, view);
    } else {
        dialog.OnCancel();
    }
    dialog.OnDestroy();
    return view.Result;
}

DialogResult FakeView::RunManualEntry(CManualEntryDlg& dialog) {
    FakeManualEntryView view;
    dialog.OnInitDialog(view);
    if (ManualEntryScript) {
        ManualEntryScript(dialog, view);
    }
    return view.Result;
}

bool FakeView::PumpUntil(CSpectrelDlg& dialog, const std::function<bool()>& condition,
                         std::chrono::milliseconds timeout) {
    if (Time != nullptr) {
        return PumpInVirtualTime(dialog, condition, timeout);
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        const auto notification = Queue.Pop(deadline);
        if (!notification) {
            return condition();
        }
        Deliver(dialog, *notification);
    }
    return true;
}

bool FakeView::PumpInVirtualTime(CSpectrelDlg& dialog, const std::function<bool()>& condition,
                                 std::chrono::milliseconds timeout) {
    const auto deadline = Time->Now() + timeout;
    const auto realDeadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (auto notification = Queue.Pop(std::chrono::steady_clock::now())) {
            Deliver(dialog, *notification);
            continue;
        }
        if (Time->Now() >= deadline) {
            // What the line does in real time (a hung-up device noticed, a remote one connected
            // again) gets the timeout in real time as well.
            if (auto notification = Queue.Pop(realDeadline)) {
                Deliver(dialog, *notification);
                continue;
            }
            return condition();
        }
        Settle();
        if (auto notification = Queue.Pop(std::chrono::milliseconds(1))) {
            Deliver(dialog, *notification);
            continue;
        }
        Time->AdvanceToNext(deadline);
    }
    return true;
}

void FakeView::Deliver(CSpectrelDlg& dialog, const Notification& notification) {
    Calls.Notification(notification.Message, [this, &dialog, n = notification] {
        ++m_delivered[n.Message];
        dialog.OnSensorNotification(n.Message, n.WParam, n.Connection);
    });
}

void FakeView::PumpFor(CSpectrelDlg& dialog, std::chrono::milliseconds period) {
    if (Time == nullptr) {
        PumpUntil(
            dialog, [] { return false; }, period);
        return;
    }
    const auto end = Time->Now() + period;
    PumpInVirtualTime(
        dialog, [&] { return Time->Now() >= end && Queue.Size() == 0; }, period);
}

int FakeView::Delivered(unsigned message) const {
    const auto found = m_delivered.find(message);
    return found == m_delivered.end() ? 0 : found->second;
}

int FakeView::Chart(ControlId chart, ChartProperty property) const {
    const auto found = ChartColors.find({chart, property});
    return found == ChartColors.end() ? -1 : found->second;
}

std::vector<std::string> FakeView::MessageTexts() const {
    std::vector<std::string> texts;
    for (const MessageBoxRequest& message : Messages) {
        texts.push_back(message.Text);
    }
    return texts;
}
