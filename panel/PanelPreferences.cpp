// The per-user preferences as the panel applies and keeps them.
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"

bool CSpectrelDlg::LoadPreferences() {
    CIniStore store;
    // An unreadable store reads as an empty one: every preference takes its default.
    store.Load(m_environment.PreferencesPath);
    m_connection.LoadPorts(store, m_environment.PortOverrides);

    Preferences prefs = CurrentPreferences();
    if (!::LoadPreferences(store, prefs)) {
        return false;
    }
    m_connection.SetPortName(prefs.PortName);
    m_values.PortIndex = prefs.PortIndex;
    UpdateData(false);
    m_warningsMask = prefs.WarningsMask;
    if (prefs.DisplayMode == 1) {
        OnDisplayColorOnly();
    } else {
        OnDisplayColorLuminosity();
    }
    m_connection.SetPollingPeriod(prefs.PollingPeriodMs);
    return true;
}

bool CSpectrelDlg::SavePreferences() {
    if (!UpdateData(true)) {
        return false;
    }
    // The store keeps more than the three values written here ([Ports], the period): a store
    // that exists but cannot be read is left alone rather than replaced by those three.
    CIniStore store;
    if (!store.Load(m_environment.PreferencesPath)) {
        return false;
    }
    return ::SavePreferences(store, CurrentPreferences()) &&
           store.Save(m_environment.PreferencesPath);
}

Preferences CSpectrelDlg::CurrentPreferences() const {
    Preferences prefs;
    prefs.PortName = PortName();
    prefs.PortIndex = m_values.PortIndex;
    prefs.WarningsMask = m_warningsMask;
    prefs.DisplayMode = m_values.DisplayMode;
    prefs.PollingPeriodMs = PollingPeriod();
    return prefs;
}
