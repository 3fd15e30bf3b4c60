#pragma once

#include "logging/LogSettings.h"
#include "logging/LogSettingsView.h"

// "Data Logging Settings": the log mode, the interval and the file, edited for the next start
// of logging. The dialog neither opens nor tests the file. The view calls the handlers; OnOK
// says whether the dialog may close.
class CLogSettingsDlg {
public:
    // The view must outlive the controller.
    CLogSettingsDlg(LogSettingsView& view, const LogSettings& settings)
        : m_view(view), m_settings(settings) {}

    void OnInitDialog();
    void OnBrowse();
    void OnIntervalOff(); // "Continuous logging" or "Log on match" clicked
    void OnIntervalOn();  // "Log on interval" clicked
    // False (the dialog stays open, the user told why) when the interval is not an integer,
    // even while its edit is disabled, or when "Log on interval" is chosen with an interval
    // a profile would not keep.
    bool OnOK();

    // What the dialog holds: after OnOK, what the user confirmed.
    const LogSettings& Settings() const { return m_settings; }

private:
    void Push();

    LogSettingsView& m_view;
    LogSettings m_settings;
};

// The interval as typed: optional blanks, an optional sign and decimal digits that fit an int.
bool ParseLogInterval(const std::string& text, int& seconds);
