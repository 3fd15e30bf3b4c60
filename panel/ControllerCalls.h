#pragma once

#include <cstddef>
#include <deque>
#include <functional>

// The order in which a window hands its controller the user's actions and the sensor proxy's
// notifications: one call at a time, in the order they came. A modal box the controller opens
// runs the window's event loop, so calls also come while another one is still running. Those
// wait and follow once the outermost call has returned: a handler that starts requests (a
// send, a read, a teach) must never run inside another. A reading is the exception: showing
// and logging it starts nothing, so it runs at once inside the running call, and the reading
// display and the log go on behind any box. Only inside another reading (a box the log writer
// opened) does a reading wait too.
class CControllerCalls {
public:
    using Call = std::function<void()>;

    // `mayGoOn` is asked before each waiting call runs; false holds them back (the window is
    // closing). Empty: they always go on.
    explicit CControllerCalls(std::function<bool()> mayGoOn = {});

    // The controller is ready: `first` runs (its start-up), then whatever waited for it.
    void Start(const Call& first);
    // A user action: runs now when nothing else is running, else waits its turn.
    void Action(Call call);
    // A notification of the sensor proxy: a reading may run inside another call, the others
    // are treated as actions.
    void Notification(unsigned message, Call call);
    // Runs a call at once, whatever runs or waits (the controller's shut-down).
    void RunNow(const Call& call);
    // Drops every waiting call.
    void Forget();

    bool IsStarted() const { return m_started; }
    bool IsRunning() const { return m_depth > 0; }
    std::size_t Waiting() const { return m_waiting.size(); }

private:
    struct Pending {
        bool Reading;
        Call Run;
    };

    void Submit(bool reading, Call call);
    bool MayRunNow(bool reading) const;
    void Run(bool reading, const Call& call);
    void RunWaiting();

    std::function<bool()> m_mayGoOn;
    std::deque<Pending> m_waiting;
    int m_depth = 0; // calls running; a modal box nests them
    bool m_readingRunning = false;
    bool m_started = false;
};
