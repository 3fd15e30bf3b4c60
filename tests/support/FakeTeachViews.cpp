#include "support/FakeTeachViews.h"

#include "teach/MultiSampleTeachDlg.h"

MessageResult FakeMultiSampleView::ShowMessageBox(const MessageBoxRequest& request) {
    Messages.push_back(request);
    return RESULT_OK;
}

void FakeMultiSampleView::EndDialog(DialogResult result) {
    Result = result;
    Ended = true;
}

bool FakeMultiSampleView::PumpTeach(CMultiSampleTeachDlg& dialog,
                                    std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (const auto notification = Queue.Pop(deadline)) {
        dialog.OnSensorNotification(notification->Message, notification->WParam);
        if (notification->Message == WM_SENSOR_TEACH) {
            return true;
        }
    }
    return false;
}

int FakeMultiSampleView::EnabledRows() const {
    int rows = 0;
    while (rows < SAMPLE_ROWS && TeachEnabled[rows]) {
        ++rows;
    }
    return rows;
}
