#include "support/SimulatedSensor.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

SimulatedSensor::SimulatedSensor(SimConfig config)
    : m_sensor(std::make_unique<VirtualSensor>(std::move(config))) {
    std::string pattern = "/tmp/spectrel-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (::mkdtemp(name.data()) == nullptr) {
        return;
    }
    m_folder = name.data();
    m_linkPath = m_folder + "/ttySPECTREL";
    m_started = m_sensor->Start(m_linkPath);
}

SimulatedSensor::~SimulatedSensor() {
    m_sensor.reset(); // removes its link
    if (!m_folder.empty()) {
        ::unlink(m_linkPath.c_str());
        ::rmdir(m_folder.c_str());
    }
}

std::string SimulatedSensor::Problem() const {
    if (m_folder.empty()) {
        return std::string("cannot create a temporary folder: ") + std::strerror(errno);
    }
    return m_sensor ? m_sensor->Error() : std::string();
}
