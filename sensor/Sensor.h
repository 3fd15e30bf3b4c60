#pragma once

#include <cstdint>
#include <string>

#include "sensor/NotifyTarget.h"
#include "sensor/SensorRecords.h"

// The tool's connection to one sensor: owns the serial port, a receive thread and the periodic
// timers (identify polling, data polling, reply re-sends), keeps the sensor's last-known records
// and reports every event to one NotifyTarget. Requests are fire-and-forget: they return true
// once the command is written (or nothing needed sending); the answer arrives as a notification.
// Channels are numbered 1..15 in every operation and accessor.
class CSensor {
public:
    CSensor();
    virtual ~CSensor();
    CSensor(const CSensor&) = delete;
    CSensor& operator=(const CSensor&) = delete;

    // Set-up and link
    void SetWindow(NotifyTarget* target); // nullptr: nothing is posted
    bool Connect(const std::string& portName);
    bool Disconnect();
    bool IsConnected() const;
    std::uint32_t LastPortError() const; // errno of the port's last failure

    // Polling
    bool StartIdentifyPolling(unsigned periodMs);
    bool StopIdentifyPolling();
    bool IsIdentifyPolling() const;
    bool StartDataPolling(unsigned periodMs);
    bool StopDataPolling();
    bool IsDataPolling() const;

    // Requests
    bool RequestIdentity();
    bool RequestSettings();
    bool SendSettings(unsigned averaging, unsigned triggering, unsigned outputDelay,
                      unsigned ambientSubtraction, unsigned illumination);
    bool RequestChannel(unsigned channel);
    bool SendChannel(unsigned channel, unsigned matchOutput, unsigned enabled, unsigned mode,
                     double red, double green, double blue, double redTolerance,
                     double greenTolerance, double blueTolerance);
    bool RequestCurrentData();
    bool RequestVersion();
    bool TeachChannel(unsigned channel, unsigned matchOutput, unsigned enabled, unsigned mode,
                      double redTolerance, double greenTolerance, double blueTolerance);

    // Request bookkeeping
    bool WaitUntilIdle(unsigned timeoutMs);
    bool IsBusy() const;
    void ClearPending();

    // Identity
    unsigned GetModelCode() const;
    std::string GetSerialNumber() const;
    unsigned GetFirmwareMajor() const;
    unsigned GetFirmwareMinor() const;
    // Settings
    unsigned GetAveraging() const;
    unsigned GetTriggering() const;
    unsigned GetOutputDelay() const;
    unsigned GetAmbientSubtraction() const;
    unsigned GetIllumination() const;
    // Channels
    unsigned GetMatchOutput(unsigned channel) const;
    unsigned GetEnabled(unsigned channel) const;
    unsigned GetMode(unsigned channel) const;
    double GetRedSetting(unsigned channel) const;
    double GetGreenSetting(unsigned channel) const;
    double GetBlueSetting(unsigned channel) const;
    double GetRedTolerance(unsigned channel) const;
    double GetGreenTolerance(unsigned channel) const;
    double GetBlueTolerance(unsigned channel) const;
    unsigned GetRedLow(unsigned channel) const;
    unsigned GetGreenLow(unsigned channel) const;
    unsigned GetBlueLow(unsigned channel) const;
    ChannelDefinition GetChannel(unsigned channel) const; // whole record, for clients and tests
    // Current reading
    double GetRed() const;
    double GetGreen() const;
    double GetBlue() const;
    unsigned GetMatchStatus() const;

    // Interprets one received line (without CR); true when a parser accepted it. Called by the
    // receive thread; public so tests can feed lines.
    bool ProcessLine(const std::string& line);

    // Timing of the proxy, as the sensor's firmware expects it.
    static constexpr unsigned IDLE_WAIT_MS = 300;
    static constexpr unsigned IDLE_CHECK_MS = 10;
    static constexpr unsigned REPLY_PERIOD_MS = 300;
    static constexpr unsigned REPLY_RETRY_LIMIT = 16;
    static constexpr unsigned TEACH_REPLY_PERIOD_MS = 2800;
    static constexpr unsigned TEACH_RETRY_LIMIT = 3;
    static constexpr unsigned IDENTIFY_MISSED_LIMIT = 21;
    static constexpr unsigned DATA_MISSED_BUDGET_MS = 5500; // limit = budget / period
    static constexpr unsigned ERROR_REPLY_PAUSE_MS = 10;
    static constexpr unsigned READ_CAPACITY = 1024;
    static constexpr unsigned DISCONNECT_WAIT_MS = 5000;

    // (private members are the implementation's own)
};
