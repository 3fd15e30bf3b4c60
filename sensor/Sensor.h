#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "link/SerialPort.h"
#include "sensor/NotifyTarget.h"
#include "sensor/SensorRecords.h"
#include "sensor/TimerService.h"

// The tool's connection to one sensor: owns the serial port, a receive thread and the periodic
// timers (identify polling, data polling, reply re-sends), keeps the sensor's last-known records
// and reports every event to one NotifyTarget. Requests are fire-and-forget: they return true
// once the command is written (or nothing needed sending); the answer arrives as a notification.
// Channels are numbered 1..15 in every operation and accessor.
class CSensor {
public:
    // Takes its timers and time from `timers` when given (it must outlive the proxy), otherwise
    // from a timer service of its own on the steady clock.
    explicit CSensor(TimerSource* timers = nullptr);
    virtual ~CSensor();
    CSensor(const CSensor&) = delete;
    CSensor& operator=(const CSensor&) = delete;

    // Set-up and link
    // The time of day each reading is stamped with as it arrives; empty: the system's. Set it
    // before Connect: the receive thread reads it.
    using WallClock = std::function<std::time_t()>;
    void SetWallClock(WallClock clock);
    // nullptr: nothing is posted. Returns once no post to the previous target is under way, so
    // that target may be destroyed then; it must not be called from a target's Post.
    void SetWindow(NotifyTarget* target);
    // A remote server still busy with its previous client is tried again for up to inUseRetry.
    bool Connect(const std::string& portName,
                 std::chrono::milliseconds inUseRetry = std::chrono::milliseconds(0));
    // From another thread: ends a Connect whose open is under way (a remote line's connect or
    // negotiation may take seconds); it then fails with ECANCELED. Does nothing otherwise.
    void CancelConnect();
    bool Disconnect();
    // True from a successful Connect until Disconnect: the proxy holds a port, even while its
    // device has hung up and is being re-opened.
    bool IsConnected() const;
    // The line is up now: false while a hung-up device is gone.
    bool IsLinkUp() const;
    std::uint32_t LastPortError() const; // errno of the port's last failure
    // Numbers each Connect (from 1); every notification carries the number of the connection
    // that posted it.
    std::uint64_t Connection() const;

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
    // The channel the last channel reply addressed (its notification names the channel asked
    // for last, which a late reply to an earlier request is not); 0 before any.
    unsigned LastRepliedChannel() const;
    // Lines received that no reply parser could read (garbage, or a reply of the wrong form,
    // such as an identity with a two-digit model code), counted from construction: a client
    // that gets no answer tells a silent sensor from one that answers in a form it cannot read.
    unsigned UnreadableReplies() const;
    // Commands written to the port in full, counted from construction, re-sends included.
    std::uint64_t CommandsWritten() const;
    // Current reading
    double GetRed() const;
    double GetGreen() const;
    double GetBlue() const;
    unsigned GetMatchStatus() const;
    std::time_t GetReadingTime() const; // when the current reading arrived

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

    // Read failures are reported at most this often.
    static constexpr std::chrono::milliseconds READ_FAILURE_SPACING{100};
    // This many failed reads in a row mean the device hung up (cable pulled, pseudo-terminal
    // closed); it is then re-opened by its path this often until it is back.
    static constexpr unsigned HANG_UP_FAILED_READS = 3;
    static constexpr std::chrono::milliseconds REOPEN_INTERVAL{200};

private:
    enum Request : unsigned {
        REQ_IDENTIFY,
        REQ_READ_SETTINGS,
        REQ_SEND_SETTINGS,
        REQ_READ_CHANNEL,
        REQ_SEND_CHANNEL,
        REQ_DATA,
        REQ_VERSION,
        REQ_TEACH,
        REQUEST_KINDS
    };
    using TimerId = TimerSource::TimerId;
    using Clock = std::chrono::steady_clock;

    void Notify(unsigned message, std::uintptr_t wParam = 0);

    // Requests (SensorRequests.cpp)
    bool ReadyForRequest();
    bool RequestPoll(Request kind, std::string_view command);
    bool SendWithReply(Request kind, const std::string& command, unsigned periodMs,
                       unsigned retryLimit);
    bool WriteCommand(const std::string& command);
    bool WriteLocked(const std::string& text);
    bool Resend();

    // Timers (SensorPolling.cpp)
    void IdentifyTick();
    void DataTick();
    void PostTimeoutOnce(unsigned limit, std::atomic<bool>& posted, SensorTimeout kind);
    bool StartReplyTimer(unsigned periodMs);
    void StopReplyTimer();
    void ReplyTick();

    // Replies (SensorReplies.cpp)
    void Answered(Request kind, bool stopsReplyTimer);
    std::uintptr_t Announced(unsigned replyChannel) const;
    void HandleErrorReply();
    using ChannelParser = bool (*)(std::string_view, unsigned&, ChannelDefinition&);
    bool StoreChannelReply(std::string_view line, ChannelParser parse, unsigned& channel);
    bool AcceptIdentity(std::string_view line);
    bool AcceptSettings(std::string_view line);
    bool AcceptSettingsAck();
    bool AcceptChannel(std::string_view line);
    bool AcceptChannelAck();
    bool AcceptData(std::string_view line);
    bool AcceptVersion(std::string_view line);
    bool AcceptTeach(std::string_view line);

    // Receive thread (SensorReceive.cpp)
    void ReceiveLoop();
    void HandleReadFailure();
    void ReopenAfterHangUp();
    void LinkUpAfterReopen();
    bool PauseWhileRunning(std::chrono::milliseconds duration);
    void EndPause();
    void WakeReceiveThread();
    bool WaitForReceiveThread(unsigned timeoutMs);

    // Flags and counters shared by the window's, the receive and the timer thread.
    std::array<std::atomic<bool>, REQUEST_KINDS> m_pending{};
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_linkUp{false}; // port open; false while a hung-up device is gone
    std::atomic<bool> m_identifyPolling{false};
    std::atomic<bool> m_dataPolling{false};
    std::atomic<bool> m_replyTimerActive{false};
    std::atomic<bool> m_pollWriteFailed{false};
    std::atomic<TimerId> m_identifyTimer{0};
    std::atomic<TimerId> m_dataTimer{0};
    std::atomic<TimerId> m_replyTimer{0};
    std::atomic<unsigned> m_dataPeriod{0};
    std::atomic<unsigned> m_missedCount{0};
    // A time-out of each polling kind was reported in the present run of missed polls.
    std::atomic<bool> m_identifyTimeoutPosted{false};
    std::atomic<bool> m_dataTimeoutPosted{false};
    std::atomic<unsigned> m_retryCount{0};
    std::atomic<unsigned> m_retryLimit{0};
    std::atomic<unsigned> m_currentChannel{0}; // 0 until a request names a channel
    std::atomic<unsigned> m_repliedChannel{0};
    std::atomic<unsigned> m_unreadableReplies{0};
    std::atomic<std::uint64_t> m_commandsWritten{0};
    std::atomic<std::uint32_t> m_lastPortError{0};
    std::atomic<std::uint64_t> m_connection{NotifyTarget::NO_CONNECTION};

    // Notification target; posts in flight are counted so SetWindow can wait for them.
    std::mutex m_targetMutex;
    std::condition_variable m_postsDone;
    NotifyTarget* m_target = nullptr;
    unsigned m_postsInFlight = 0;

    // The port, its device name and the last command. Writes, the close in Disconnect and the
    // receive thread's re-open of a hung-up device all hold this lock; the blocking Read does
    // not (Close wakes it).
    std::mutex m_portMutex;
    CSerialPort m_port;
    std::string m_portName;
    std::string m_lastCommand;

    // Wakes the receive thread from its pauses and tells Disconnect that it has ended.
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    bool m_receiveEnded = false;
    bool m_pauseOver = false;   // the receive thread's present pause has had its tick
    unsigned m_failedReads = 0; // in a row; the receive thread's own
    std::thread m_receiveThread;

    WallClock m_wallClock;

    // The sensor's last-known records, written by the parsers and the send operations.
    mutable std::mutex m_recordMutex;
    SensorIdentity m_identity;
    std::optional<SensorSettings> m_settings; // nothing known before a read or send
    std::array<ChannelDefinition, 15> m_channels{};
    CurrentReading m_reading;

    // Declared last so it is destroyed first: no tick outlives the fields it uses. A source
    // given from outside has every timer of this proxy killed by the destructor's Disconnect.
    CTimerService m_ownTimers;
    TimerSource& m_timers;
};
