#pragma once

#include <QDialog>

#include "logging/LogSettingsDlg.h"

class QButtonGroup;
class QLineEdit;

// "Data Logging Settings" on the screen: draws the controls and hands the user's actions to
// its controller (CLogSettingsDlg), which decides.
class CLogSettingsWindow : public QDialog, public LogSettingsView {
    Q_OBJECT

public:
    CLogSettingsWindow(const LogSettings& settings, QWidget* parent);

    // What the user confirmed with OK.
    const LogSettings& Settings() const { return m_controller.Settings(); }

    // LogSettingsView
    void Push(const LogSettingsValues& values) override;
    LogSettingsValues Pull() const override;
    void EnableInterval(bool enable) override;
    bool ChooseLogFile(const std::string& initial, std::string& chosen) override;
    void RefuseInterval(const std::string& message) override;

    void accept() override;

private:
    CLogSettingsDlg m_controller;
    QButtonGroup* m_modes;
    QLineEdit* m_interval;
    QLineEdit* m_fileName;
};
