#pragma once

#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "sensor/NotificationQueue.h"
#include "teach/ManualEntryView.h"
#include "teach/MultiSampleTeachView.h"

class CMultiSampleTeachDlg;

// The Multi-Sample Teach dialog without a screen: remembers what its controller showed and
// queues the sensor proxy's notifications until the test pumps them into the controller.
class FakeMultiSampleView : public MultiSampleTeachView {
public:
    void EnableTeachButton(int row, bool enable) override { TeachEnabled[row] = enable; }
    void Push(const MultiSampleTexts& texts) override { Texts = texts; }
    MessageResult ShowMessageBox(const MessageBoxRequest& request) override;
    void EndDialog(DialogResult result) override;
    NotifyTarget& SensorTarget() override { return Queue; }

    // Delivers queued notifications until a teach reply has been handled; false when none
    // came in time.
    bool PumpTeach(CMultiSampleTeachDlg& dialog,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(8000));
    // The rows whose Teach button is enabled, top to bottom.
    int EnabledRows() const;

    std::array<bool, SAMPLE_ROWS> TeachEnabled{};
    MultiSampleTexts Texts;
    std::vector<MessageBoxRequest> Messages;
    DialogResult Result = DIALOG_CANCEL;
    bool Ended = false;
    CNotificationQueue Queue;
};

// The Manual Entry dialog without a screen.
class FakeManualEntryView : public ManualEntryView {
public:
    void SetGroupCaption(const std::string& caption) override { Caption = caption; }
    void SetBackgroundColor(ManualField field, int red, int green, int blue) override {
        Background = {field, red, green, blue};
    }
    void EndDialog(DialogResult result) override { Result = result; }

    std::string Caption;
    std::array<int, 4> Background{-1, -1, -1, -1};
    DialogResult Result = DIALOG_CANCEL;
};
