#include "support/SimulatedSensor.h"

SimulatedSensor::SimulatedSensor(SimConfig config)
    : m_linkPath(m_folder / "ttySPECTREL"),
      m_sensor(std::make_unique<VirtualSensor>(std::move(config))) {
    m_started = !m_folder.Path().empty() && m_sensor->Start(m_linkPath);
}

std::string SimulatedSensor::Problem() const {
    return m_folder.Path().empty() ? std::string("cannot create a temporary folder")
                                   : m_sensor->Error();
}
