#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sensor/SensorRecords.h"
#include "sim/SimConfig.h"

// A Spectrel that answers on a pseudo-terminal: its own thread reads commands from the master
// side, paces them like a real line, applies faults and writes replies. Hosts open
// SlavePath() (or LinkPath(), when a link name was given) like a serial device.
class VirtualSensor {
public:
    explicit VirtualSensor(SimConfig config = {});
    ~VirtualSensor(); // stops the thread, closes the pty, removes the link
    VirtualSensor(const VirtualSensor&) = delete;
    VirtualSensor& operator=(const VirtualSensor&) = delete;

    // Opens the pseudo-terminal (and the symlink linkPath to its slave, replaced if present)
    // and starts answering. False with a message in Error() when that fails.
    bool Start(const std::string& linkPath = {});
    void Stop();
    const std::string& SlavePath() const;
    const std::string& LinkPath() const;
    const std::string& Error() const;

    // Run-time controls (thread-safe).
    void SetTarget(double red, double green, double blue);
    void SetSilent(bool silent);              // reads and ignores commands while set
    void SetSilentFor(unsigned milliseconds); // silent, then answers again
    void SetSerialNumber(const std::string& serial);
    void SetModelCode(unsigned modelCode);
    void SetFaults(const SimFaults& faults);
    SimFaults Faults() const;
    void SendGarbageLine(); // one unsolicited garbage line now
    // Closes the pty as a pulled cable does; after reappearAfterMs a new pty appears under
    // the same link name (reappearAfterMs 0: stays gone until Replug()).
    void HangUp(unsigned reappearAfterMs = 0);
    void Replug();
    bool PluggedIn() const; // a pty is there for a host to open

    // Told one line per command answered ("!d -> !d,6666,4CCD,3333,00", "!s -> (dropped)"),
    // on the sensor's thread. Set it before Start(); it must not call HangUp() or Replug(),
    // which wait for that thread.
    void SetAnswerObserver(std::function<void(const std::string& line)> observer);

    // State, as the sensor holds it (thread-safe copies).
    SensorIdentity Identity() const;
    SensorSettings Settings() const;
    ChannelDefinition Channel(unsigned channel) const; // 1..15; flags and raw bounds
    std::uint64_t CommandsReceived() const;
    std::string LastCommand() const; // without CR
    std::string StateText() const;   // the control line "state" prints

    // Time of the last reply's CR leaving the sensor (steady clock), for latency measurement.
    std::int64_t LastReplyEndNanoseconds() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};
