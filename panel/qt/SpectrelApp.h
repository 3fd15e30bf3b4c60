#pragma once

#include <memory>
#include <string>

#include "panel/AppOptions.h"
#include "panel/PanelEnvironment.h"

class VirtualSensor;

// The program: one copy per user, the command line, the control panel's surroundings, the
// built-in virtual sensor of --simulate, and SIGHUP / SIGINT / SIGTERM as a normal close. The
// process ends when the window closes.
class CSpectrelApp {
public:
    CSpectrelApp();
    ~CSpectrelApp();
    CSpectrelApp(const CSpectrelApp&) = delete;
    CSpectrelApp& operator=(const CSpectrelApp&) = delete;

    // Runs the program with main's arguments and returns its exit status.
    int Run(int argc, char** argv);

private:
    int RunWindow(int argc, char** argv, const AppOptions& options);
    PanelEnvironment Environment(const AppOptions& options) const;
    bool StartSimulation(const AppOptions& options, PanelEnvironment& environment);

    std::unique_ptr<VirtualSensor> m_simulation;
};
