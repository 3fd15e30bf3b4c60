// The per-user preferences as the panel applies and keeps them.
#include "panel/SpectrelDlg.h"
#include "profile/Preferences.h"

bool CSpectrelDlg::LoadPreferences() {
    CIniStore store;
    // An unreadable store reads as an empty one: every preference takes its default.
    store.Load(m_environment.PreferencesPath);
    m_portMap = PortMap{};
    LoadPortMap(store, m_portMap);
    for (const auto& [name, path] : m_environment.PortOverrides.Entries()) {
        m_portMap.Set(name, path);
    }

    Preferences prefs = CurrentPreferences();
    if (!::LoadPreferences(store, prefs)) {
        return false;
    }
    m_portName = prefs.PortName;
    m_values.PortIndex = prefs.PortIndex;
    UpdateData(false);
    m_warningsMask = prefs.WarningsMask;
    if (prefs.DisplayMode == 1) {
        OnDisplayColorOnly();
    } else {
        OnDisplayColorLuminosity();
    }
    m_pollingPeriod = prefs.PollingPeriodMs;
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
    prefs.PortName = m_portName;
    prefs.PortIndex = m_values.PortIndex;
    prefs.WarningsMask = m_warningsMask;
    prefs.DisplayMode = m_values.DisplayMode;
    prefs.PollingPeriodMs = m_pollingPeriod;
    return prefs;
}
