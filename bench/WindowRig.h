#pragma once

#include <QTemporaryDir>
#include <memory>
#include <string>

#include "panel/qt/MainWindow.h"
#include "sim/VirtualSensor.h"

// The control panel's window on a virtual sensor in the same process, with its preferences in
// a temporary folder that is also the working directory (where the default log lies). The
// application is made by the benchmark, after UseOffscreenByDefault.
class WindowRig {
public:
    explicit WindowRig(SimConfig config = {}) : m_sensor(std::move(config)) {}

    // Starts the sensor, writes `preferences` (when given) as the window's preferences file,
    // starts the window and runs it until it should have found the sensor; false with a
    // message when a step failed or the window did not find the sensor.
    bool Start(const std::string& preferences, std::string& error);
    CMainWindow& Window() { return *m_window; }

private:
    QTemporaryDir m_folder;
    VirtualSensor m_sensor;
    std::unique_ptr<CMainWindow> m_window;
};

// The window benchmarks run offscreen unless QT_QPA_PLATFORM names a platform; before the
// application is made.
void UseOffscreenByDefault();

// Runs the event loop for `ms` and gives the CPU used meanwhile in percent of one core.
double CpuPercentOver(int ms);
