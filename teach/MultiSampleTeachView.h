#pragma once

#include <array>
#include <string>

#include "sensor/NotifyTarget.h"
#include "widgets/MessageBoxRequest.h"

inline constexpr int SAMPLE_ROWS = 10;
// Button ids of the ten rows, top to bottom: IDC_TEACH_SAMPLE_FIRST + row.
inline constexpr int IDC_TEACH_SAMPLE_FIRST = 1115;

using ColorTexts = std::array<std::string, 3>; // red, green, blue

// Every text the Multi-Sample Teach dialog shows.
struct MultiSampleTexts {
    std::array<ColorTexts, SAMPLE_ROWS> Samples; // read-only fields of rows 0..9
    ColorTexts ResultColor;                      // "Result", "Color (%)"
    ColorTexts ResultTolerance;                  // "Result", "Tolerance (%)"
    // "Spread (% of tol.)": how much of each resulting band the samples' spread fills, shown
    // once OK would send a result.
    ColorTexts ResultSpread;

    bool operator==(const MultiSampleTexts&) const = default;
};

// The "Multi-Sample Teach " dialog as its controller sees it; the Qt dialog implements it and
// tests use a fake. Every call comes on the UI thread.
class MultiSampleTeachView {
public:
    virtual ~MultiSampleTeachView() = default;
    virtual void EnableTeachButton(int row, bool enable) = 0;
    virtual void Push(const MultiSampleTexts& texts) = 0;
    virtual MessageResult ShowMessageBox(const MessageBoxRequest& request) = 0;
    // Closes the dialog with this result.
    virtual void EndDialog(DialogResult result) = 0;
    // Where the sensor proxy posts while the dialog is open. The view calls the controller's
    // OnSensorNotification for each, on the UI thread and in posting order, and never after the
    // dialog has closed.
    virtual NotifyTarget& SensorTarget() = 0;
};
