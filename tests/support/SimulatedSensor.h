#pragma once

#include <memory>
#include <string>

#include "sim/SimConfig.h"
#include "sim/VirtualSensor.h"
#include "support/TempDir.h"

// A virtual sensor on a pseudo-terminal, reachable under a device name of its own in a
// temporary folder, for tests that talk to a sensor through a real port. The name stays the
// same when the sensor is unplugged and plugged in again.
class SimulatedSensor {
public:
    explicit SimulatedSensor(SimConfig config = {});
    SimulatedSensor(const SimulatedSensor&) = delete;
    SimulatedSensor& operator=(const SimulatedSensor&) = delete;

    bool Started() const { return m_started; }
    std::string Problem() const; // why it did not start
    const std::string& Path() const { return m_linkPath; }
    VirtualSensor& Sim() { return *m_sensor; }

private:
    TempDir m_folder; // outlives the sensor, which removes its link on destruction
    std::string m_linkPath;
    std::unique_ptr<VirtualSensor> m_sensor;
    bool m_started = false;
};
