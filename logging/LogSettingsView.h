#pragma once

#include <string>

// What the "Data Logging Settings" dialog's controls hold, as texts where the user types.
struct LogSettingsValues {
    int Mode = 0; // the checked radio: LOG_CONTINUOUS, LOG_ON_MATCH or LOG_ON_INTERVAL
    std::string IntervalText;
    std::string FileName;
};

// The settings dialog as its controller (CLogSettingsDlg) sees it. The Qt dialog implements
// it; tests use a fake. No operation here calls back into the controller.
class LogSettingsView {
public:
    virtual ~LogSettingsView() = default;

    // Writes the values into the controls, with their signals blocked.
    virtual void Push(const LogSettingsValues& values) = 0;
    virtual LogSettingsValues Pull() const = 0;
    virtual void EnableInterval(bool enable) = 0;
    // The open-file dialog for a log file ("*.csv", a name without extension gets ".csv"),
    // asking before it offers a name that does not exist yet. False when cancelled.
    virtual bool ChooseLogFile(const std::string& initial, std::string& chosen) = 0;
    // Tells the user why OK was refused and puts the focus on the interval.
    virtual void RefuseInterval(const std::string& message) = 0;
};
