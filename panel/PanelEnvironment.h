#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "link/PortMap.h"

class TimerSource;

// What the control panel is told about its surroundings by the program that starts it.
struct PanelEnvironment {
    std::string PreferencesPath; // the per-user preference store (INI file)
    PortMap PortOverrides;       // "--port COMn=PATH" of this run; wins over the store's [Ports]
    std::string ProgramDir;      // folder of the program: a build tree keeps the manual there
    std::string DocumentDir;     // the installed documentation folder, looked in second
    std::string ProgramName;     // the program's file name without extension ("spectrel")
    std::string ProgramVersion;  // shown in the about box
    std::function<std::time_t()> Clock; // stamps each reading as it arrives; empty: the system's
    TimerSource* Timers = nullptr;      // the proxy's polling and time-outs; nullptr: its own
};
