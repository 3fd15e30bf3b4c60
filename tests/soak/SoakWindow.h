#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "panel/SpectrelDlg.h"
#include "tests/panel/FakeView.h"

// The control panel's controller on a recording view, played by the soak as a user would: it
// clicks only what the window offers, answers every box with its default button and takes the
// sensor proxy's notifications on this (the UI) thread.
class SoakWindow {
public:
    using Clock = std::chrono::steady_clock;

    // `folder` holds the preferences and the data log; COM1 is mapped to `device`.
    SoakWindow(const std::string& folder, const std::string& device);
    ~SoakWindow();

    void Open();
    void Close();
    // Stops the data log, as the user does at the end of a shift.
    void EndLogging();
    // Delivers the proxy's notifications for `period`.
    void Pump(std::chrono::milliseconds period);
    // One user action among those the window offers now; its name, or nullptr when the window
    // offers none. While `faultHolds`, the user leaves alone what the window would leave to
    // Reset to recover from: Reset itself pressed while the cable is out ("Communications
    // disabled") and a send or teach the port refuses (the panel stays disabled).
    const char* Act(std::mt19937_64& random, bool faultHolds);

    // "<model> on line", ready, and reading.
    bool IsOnline() const;
    // The status, readiness and serial number shown, for a report.
    std::string StateText() const;
    int Readings() const { return m_view.Delivered(WM_SENSOR_DATA); }
    std::string SerialShown() const { return m_view.Controls.SerialNumberText; }
    bool IsLogging() const { return m_panel && m_panel->IsLoggingActive(); }
    const std::string& LogPath() const { return m_logPath; }

    // The longest a single call into the controller took, per action.
    const std::map<std::string, Clock::duration>& WorstCalls() const { return m_worstCalls; }
    // Message boxes shown, per text (their list is emptied as the soak goes, to stay bounded).
    const std::map<std::string, int>& MessagesShown() const { return m_messages; }
    // When the call into the controller now running began (epoch 0: none runs); read by the
    // soak's watchdog from another thread.
    Clock::rep CallStartedAt() const { return m_callStartedAt.load(); }
    const char* CallName() const { return m_callName.load(); }

private:
    static constexpr ControlId NO_CONTROL = ControlId(0);
    static constexpr MenuCommand NO_MENU = MenuCommand(0);
    static constexpr bool CALM_ONLY = true;
    static constexpr bool ANY_TIME = false;
    struct Action {
        const char* Name;
        ControlId Control; // offered while this control is enabled...
        MenuCommand Menu;  // ... or, when not NO_MENU, while this menu item is
        int Weight;        // how often a user does this, against the others
        bool CalmOnly;     // not while a fault holds (see Act)
        void (SoakWindow::*Run)(std::mt19937_64&);
    };
    static const std::vector<Action>& Actions();
    bool Offers(const Action& action) const;

    // Runs one call into the controller under the watchdog's eye; `measured`: its time counts
    // among the worst calls (a pump's time is its period, not a call's).
    template <typename Call> void Timed(const char* name, Call call, bool measured = true);
    void CollectMessages();

    void ReadSettings(std::mt19937_64&);
    void ReadChannels(std::mt19937_64&);
    void ChooseChannel(std::mt19937_64& random);
    void EditAveraging(std::mt19937_64& random);
    void EditIllumination(std::mt19937_64& random);
    void ToggleEnabled(std::mt19937_64&);
    void SpinTolerance(std::mt19937_64& random);
    void SwitchDisplay(std::mt19937_64& random);
    void PressReset(std::mt19937_64&);
    void SendSettings(std::mt19937_64& random);
    void SendChannels(std::mt19937_64&);
    void TeachChannel(std::mt19937_64&);
    void MultiSampleTeach(std::mt19937_64& random);
    void EnterManually(std::mt19937_64&);
    void SaveProfile(std::mt19937_64&);
    void LoadProfile(std::mt19937_64&);
    void SetUpLogging(std::mt19937_64&);
    void StartLogging(std::mt19937_64& random);
    void StopLogging(std::mt19937_64&);

    PanelEnvironment m_environment;
    std::string m_logPath;
    std::string m_profilePath;
    FakeView m_view;
    std::unique_ptr<CSpectrelDlg> m_panel;
    std::map<std::string, Clock::duration> m_worstCalls;
    std::map<std::string, int> m_messages;
    std::atomic<Clock::rep> m_callStartedAt{0};
    std::atomic<const char*> m_callName{""};
};
