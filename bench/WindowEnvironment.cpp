#include "WindowEnvironment.h"

PanelEnvironment BenchWindowEnvironment(const std::string& folder, const std::string& sensorPath) {
    PanelEnvironment environment;
    environment.PreferencesPath = folder + "/spectrel.conf";
    environment.PortOverrides.Set("COM1", sensorPath);
    environment.ProgramDir = folder;
    environment.ProgramName = "spectrel";
    environment.ProgramVersion = SPECTREL_VERSION;
    return environment;
}
