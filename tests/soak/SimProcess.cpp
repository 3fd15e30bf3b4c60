#include "SimProcess.h"

#include <sys/stat.h>

#include <thread>

bool SimProcess::Start(const std::string& program, const std::string& link,
                       const std::string& logPath, unsigned seed) {
    m_link = link;
    // Noise keeps readings and match states changing, as on a running line.
    if (!m_process.Start(
            {program, "--link", link, "--noise", "0.5", "--seed", std::to_string(seed)}, logPath,
            true)) {
        m_error = m_process.Error();
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    struct stat status {};
    while (::stat(link.c_str(), &status) != 0) {
        if (std::chrono::steady_clock::now() > deadline || !m_process.Running()) {
            m_error = "spectrel-sim did not make " + link;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}
