#include "BenchPanel.h"
#include "WindowEnvironment.h"

#include <cstdlib>
#include <filesystem>

BenchPanel::BenchPanel(SimConfig config) : m_sim(std::move(config)) {
    m_sim.SetAnswerObserver([this](const std::string& line) { m_exchanges.Note(line); });
}

BenchPanel::~BenchPanel() {
    if (m_panel) {
        m_panel->OnClose();
        m_panel.reset();
    }
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

bool BenchPanel::Start(std::string& error) {
    char folder[] = "/tmp/spectrel-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        error = "cannot create a folder for the preferences";
        return false;
    }
    m_folder = folder;
    if (!m_sim.Start()) {
        error = "the virtual sensor did not start: " + m_sim.Error();
        return false;
    }
    m_panel =
        std::make_unique<CSpectrelDlg>(*this, BenchWindowEnvironment(m_folder, m_sim.SlavePath()));
    m_panel->OnInitDialog();
    if (!PumpUntil([this] { return m_panel->IsPanelReady() && m_panel->AreControlsEnabled(); })) {
        error = "the panel did not get ready: " + m_panel->StatusText();
        return false;
    }
    return true;
}

bool BenchPanel::PumpUntil(const std::function<bool()>& condition,
                           std::chrono::milliseconds timeout) {
    const auto deadline = CNotificationQueue::Clock::now() + timeout;
    while (!condition()) {
        const auto notification = m_queue.Pop(deadline);
        if (!notification) {
            return condition();
        }
        m_panel->OnSensorNotification(notification->Message, notification->WParam);
    }
    return true;
}

bool BenchPanel::Pull(PanelValues& values) {
    values = Controls;
    return true;
}

MessageResult BenchPanel::ShowMessageBox(const MessageBoxRequest& request) {
    return request.DefaultButton;
}
