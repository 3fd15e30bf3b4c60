#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/PortMap.h"

class CIniStore;
class CSensor;
class NotifyTarget;
class PanelFrame;
class PanelView;
struct ModelInfo;
struct PanelEnvironment;

// "Sensor Communications": the port in use and the sensor proxy on it, what the sensor said it
// is (model, serial number, firmware), and how far first contact with it has come: identified,
// then read in full, then ready. The window sequences the steps; this keeps their state and
// does their part at the port.
class CPanelConnection {
public:
    CPanelConnection(PanelView& view, PanelFrame& frame);
    ~CPanelConnection();
    CPanelConnection(const CPanelConnection&) = delete;
    CPanelConnection& operator=(const CPanelConnection&) = delete;

    // Start-up: the proxy on the environment's clock and timers, posting to `target`. Without
    // memory for it the user is told and the window runs with communications disabled.
    void CreateSensor(const PanelEnvironment& environment, NotifyTarget& target);
    // Shut-down: polling stopped, the last answer awaited while ready, the port closed and the
    // proxy gone.
    void Shutdown();
    CSensor* Sensor() const { return m_sensor.get(); }
    // A notification the proxy posted under this number of connection: false when an earlier
    // connection left it queued, so that it is dropped.
    bool IsCurrent(std::uint64_t connection) const;

    // The store's [Ports], then this run's overrides.
    void LoadPorts(const CIniStore& store, const PortMap& overrides);
    const std::string& PortName() const { return m_portName; }
    void SetPortName(const std::string& name) { m_portName = name; }
    // The device the port name maps to; empty while no port is chosen.
    std::string PortDevicePath() const;
    // Leaves the port in use, if one is open. True when one was: an answer awaited from the
    // sensor on it will not come.
    bool Disconnect();
    // Opens the port named by the port name through its device path and starts looking for a
    // sensor.
    void Connect();

    // The model the sensor reported (0: none). A code that names no model keeps the model name
    // and channel count shown; the model found, or nullptr.
    const ModelInfo* SetModel(unsigned code);
    unsigned ModelCode() const { return m_modelCode; }
    const std::string& ModelName() const { return m_modelName; }
    int ChannelCount() const { return m_channelCount; }
    bool IsFifteenChannel() const;
    // The about box's firmware line.
    std::string FirmwareLine() const;
    unsigned FirmwareMajor() const { return m_firmwareMajor; }
    unsigned FirmwareMinor() const { return m_firmwareMinor; }

    // First contact. An identity reply counts once per search: true for the first.
    bool TakeIdentity();
    // Identity polling gives way to the version request.
    void RequestVersion();
    // The version reply. True when the sensor whose serial number is shown is the one read
    // last, back after a loss: its values on the panel are still good, and it is ready again.
    bool TakeVersion(const std::string& serialShown);
    // Every value of the sensor whose serial number is shown has been read: it is ready.
    void SetReady(const std::string& serialShown);
    bool IsReady() const { return m_ready; }
    // "<model> on line", as the ready state shows it.
    const std::string& OnlineText() const { return m_onlineText; }
    const std::string& ConnectedSerial() const { return m_connectedSerial; }
    // The next sensor found is read in full, even when it is the same one.
    void ForgetSensor() { m_connectedSerial.clear(); }
    // No answer while data polling: the sensor is looked for again. With `unanswered`, a write
    // that changes the sensor went unanswered, so it is read in full when it comes back.
    void Lost(bool unanswered);
    // A read whose request could not be written.
    void ReadRequestFailed(const std::string& text);
    // A write the port refused, worded as spectrelctl words it.
    void WriteFailed(const std::string& text);

    void SetPollingPeriod(int period) { m_pollingPeriod = period; }
    int PollingPeriod() const { return m_pollingPeriod; }
    bool PauseDataPolling();
    void ResumeDataPolling();

    static constexpr unsigned IDENTIFY_PERIOD_MS = 500;
    static constexpr unsigned PORT_REOPEN_PAUSE_MS = 100;

private:
    void StartIdentifyPolling();

    PanelView& m_view;
    PanelFrame& m_frame;
    PortMap m_portMap;
    std::string m_portName;
    std::unique_ptr<CSensor> m_sensor;
    unsigned m_modelCode = 0;
    std::string m_modelName;
    int m_channelCount = 0;
    unsigned m_firmwareMajor = 0;
    unsigned m_firmwareMinor = 0;
    bool m_firmwareKnown = false; // a version reply has been handled
    bool m_identified = false;
    bool m_ready = false;
    std::string m_connectedSerial;
    std::string m_onlineText;
    int m_pollingPeriod = 0;
};
