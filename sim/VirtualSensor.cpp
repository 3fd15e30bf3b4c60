#include "sim/VirtualSensor.h"

#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "link/LineFormat.h"
#include "sim/FaultInjector.h"
#include "sim/LinePacer.h"
#include "sim/PtyEndpoint.h"
#include "sim/SensorResponder.h"
#include "sim/StateText.h"
#include "sim/SymbolicLink.h"
#include "sim/WakeEvent.h"

namespace {

SimClock::duration CharacterTime(const SimConfig& config) {
    if (!config.Pacing) {
        return SimClock::duration::zero();
    }
    return std::chrono::duration_cast<SimClock::duration>(LINE_CHARACTER_TIME);
}

SimClock::duration Turnaround(const SimConfig& config) {
    return config.Pacing ? std::chrono::milliseconds(config.TurnaroundMs)
                         : SimClock::duration::zero();
}

std::int64_t Nanoseconds(SimClock::time_point time) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

timespec Timeout(SimClock::time_point now, SimClock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
    const std::int64_t nanoseconds = std::max<std::int64_t>(left.count(), 0);
    return {static_cast<time_t>(nanoseconds / 1000000000),
            static_cast<long>(nanoseconds % 1000000000)};
}

enum class RequestKind { HangUp, Replug, Garbage };

struct Request {
    RequestKind Kind;
    unsigned ReappearAfterMs = 0;
};

// What the sensor does with one command, decided under the state lock.
struct Answer {
    std::string Reply; // CR included; empty: nothing is sent
    std::string Garbage;
    std::optional<SimClock::duration> SplitGap;
    std::string Trace;
};

} // namespace

struct VirtualSensor::Impl {
    explicit Impl(SimConfig configuration)
        : config(std::move(configuration)), responder(config), faults(config.Faults, config.Seed),
          pacer(CharacterTime(config), Turnaround(config)) {}

    void Run();
    void HandleRequests(SimClock::time_point now);
    void HangUpNow(SimClock::time_point now, unsigned reappearAfterMs);
    bool Plug();
    void AnswerDueCommands(SimClock::time_point now);
    Answer Decide(const ReceivedCommand& command);
    void WriteDueOutput(SimClock::time_point now);
    void WaitForWork();
    void ReadLine();
    void Submit(Request request, bool wait);
    bool Silent(SimClock::time_point now) const;
    double Elapsed(SimClock::time_point now) const {
        return std::chrono::duration<double>(now - started).count();
    }

    const SimConfig config;
    std::function<void(const std::string&)> observer;

    // Guards the sensor's state, the requests and the pty paths; never held across I/O.
    mutable std::mutex mutex;
    SensorResponder responder;
    FaultInjector faults;
    std::string heldReply; // the reply that waits to be joined with the next one
    std::string lastCommand;
    std::string problem; // why the sensor could not come back after a hang-up
    std::deque<Request> requests;
    std::uint64_t requestsSubmitted = 0;
    std::uint64_t requestsHandled = 0;
    std::condition_variable requestHandled;
    // Every slave path this sensor has had: SlavePath() hands out references, and a hang-up
    // replaces the pty on the sensor's thread while another thread may hold the old one.
    std::deque<std::string> slavePaths;
    std::atomic<const std::string*> currentSlave{nullptr};

    // Owned by the sensor's thread while it runs.
    PtyEndpoint pty;
    LinePacer pacer;
    bool outputBlocked = false; // the host's input queue is full: wait until it drains
    std::optional<SimClock::time_point> replugAt;

    WakeEvent wake;
    std::thread thread;
    SimClock::time_point started{};
    std::string linkPath;
    std::string error;

    // Read by other threads without the lock.
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> running{false};
    std::atomic<bool> plugged{false};
    std::atomic<bool> silent{false};
    std::atomic<std::int64_t> silentUntilNs{0};
    std::atomic<std::int64_t> lastReplyEndNs{0};
    std::atomic<std::uint64_t> commandsReceived{0};
};

VirtualSensor::VirtualSensor(SimConfig config) : m_impl(std::make_unique<Impl>(std::move(config))) {
}

VirtualSensor::~VirtualSensor() {
    Stop();
}

bool VirtualSensor::Start(const std::string& linkPath) {
    Impl& impl = *m_impl;
    if (impl.thread.joinable()) {
        impl.error = "the virtual sensor is already running";
        return false;
    }
    impl.linkPath = linkPath;
    impl.error.clear();
    if (!impl.wake.Open(impl.error)) {
        return false;
    }
    if (!impl.Plug()) {
        impl.error = impl.problem;
        return false;
    }
    impl.started = SimClock::now();
    impl.stopRequested = false;
    impl.running = true;
    impl.thread = std::thread([&impl] { impl.Run(); });
    return true;
}

void VirtualSensor::Stop() {
    Impl& impl = *m_impl;
    if (!impl.thread.joinable()) {
        return;
    }
    impl.stopRequested = true;
    impl.wake.Signal();
    impl.thread.join();
    impl.pacer.Clear();
    if (impl.plugged) {
        RemoveLinkTo(impl.linkPath, impl.pty.SlavePath());
    }
    impl.pty.Close();
    impl.plugged = false;
    std::lock_guard lock(impl.mutex);
    impl.requests.clear();
    impl.heldReply.clear();
}

const std::string& VirtualSensor::SlavePath() const {
    static const std::string none;
    const std::string* path = m_impl->currentSlave.load();
    return path != nullptr ? *path : none;
}

const std::string& VirtualSensor::LinkPath() const {
    return m_impl->linkPath;
}

const std::string& VirtualSensor::Error() const {
    return m_impl->error;
}

void VirtualSensor::SetTarget(double red, double green, double blue) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->responder.Colour().SetTarget(red, green, blue);
}

void VirtualSensor::SetSilent(bool silent) {
    m_impl->silentUntilNs = 0;
    m_impl->silent = silent;
}

void VirtualSensor::SetSilentFor(unsigned milliseconds) {
    m_impl->silentUntilNs = Nanoseconds(SimClock::now() + std::chrono::milliseconds(milliseconds));
}

void VirtualSensor::SetSerialNumber(const std::string& serial) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->responder.SetSerialNumber(serial);
}

void VirtualSensor::SetModelCode(unsigned modelCode) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->responder.SetModelCode(modelCode);
}

void VirtualSensor::SetFaults(const SimFaults& faults) {
    std::lock_guard lock(m_impl->mutex);
    m_impl->faults.SetFaults(faults);
}

SimFaults VirtualSensor::Faults() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->faults.Faults();
}

void VirtualSensor::SendGarbageLine() {
    m_impl->Submit({RequestKind::Garbage}, false);
}

void VirtualSensor::HangUp(unsigned reappearAfterMs) {
    m_impl->Submit({RequestKind::HangUp, reappearAfterMs}, true);
}

void VirtualSensor::Replug() {
    m_impl->Submit({RequestKind::Replug}, true);
}

bool VirtualSensor::PluggedIn() const {
    return m_impl->plugged;
}

void VirtualSensor::SetAnswerObserver(std::function<void(const std::string& line)> observer) {
    m_impl->observer = std::move(observer);
}

SensorIdentity VirtualSensor::Identity() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->responder.Identity();
}

SensorSettings VirtualSensor::Settings() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->responder.Settings();
}

ChannelDefinition VirtualSensor::Channel(unsigned channel) const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->responder.Channel(channel);
}

std::uint64_t VirtualSensor::CommandsReceived() const {
    return m_impl->commandsReceived;
}

std::string VirtualSensor::LastCommand() const {
    std::lock_guard lock(m_impl->mutex);
    return m_impl->lastCommand;
}

std::string VirtualSensor::StateText() const {
    const Impl& impl = *m_impl;
    const SimClock::time_point now = SimClock::now();
    std::lock_guard lock(impl.mutex);
    std::string text = DescribeSensor(impl.responder, impl.Elapsed(now));
    text += DescribeFaults(impl.faults.Faults());
    text += std::string("line: ") + (impl.plugged ? "plugged in" : "unplugged") + ", " +
            (impl.Silent(now) ? "silent" : "answering") + ", pacing " +
            (impl.config.Pacing ? "on" : "off") + ", " + std::to_string(impl.commandsReceived) +
            " commands, pty " + SlavePath();
    if (!impl.linkPath.empty()) {
        text += ", link " + impl.linkPath;
    }
    if (!impl.problem.empty()) {
        text += ", last problem: " + impl.problem;
    }
    return text + "\n";
}

std::int64_t VirtualSensor::LastReplyEndNanoseconds() const {
    return m_impl->lastReplyEndNs;
}

void VirtualSensor::Impl::Submit(Request request, bool wait) {
    std::unique_lock lock(mutex);
    if (!running) {
        return;
    }
    requests.push_back(request);
    const std::uint64_t ticket = ++requestsSubmitted;
    wake.Signal();
    if (wait) {
        requestHandled.wait(lock, [&] { return requestsHandled >= ticket || !running; });
    }
}

bool VirtualSensor::Impl::Silent(SimClock::time_point now) const {
    return silent || Nanoseconds(now) < silentUntilNs;
}

void VirtualSensor::Impl::Run() {
    // The default 50 us of timer slack on every wake-up would add up over a command and its
    // reply; this thread sleeps little and wants its deadlines met.
    ::prctl(PR_SET_TIMERSLACK, 1UL);
    while (!stopRequested) {
        const SimClock::time_point now = SimClock::now();
        HandleRequests(now);
        if (replugAt && now >= *replugAt && !Plug()) {
            replugAt = now + std::chrono::seconds(1); // try again, as a cable plugged in later
        }
        AnswerDueCommands(now);
        WriteDueOutput(now);
        WaitForWork();
        ReadLine();
    }
    std::lock_guard lock(mutex);
    running = false;
    requestHandled.notify_all();
}

void VirtualSensor::Impl::HandleRequests(SimClock::time_point now) {
    std::unique_lock lock(mutex);
    while (!requests.empty()) {
        const Request request = requests.front();
        requests.pop_front();
        if (request.Kind == RequestKind::Garbage && plugged) {
            pacer.QueueLine(now, faults.GarbageLine() + "\r", false);
        }
        lock.unlock();
        if (request.Kind == RequestKind::HangUp) {
            HangUpNow(now, request.ReappearAfterMs);
        } else if (request.Kind == RequestKind::Replug && !plugged) {
            Plug();
        }
        lock.lock();
        ++requestsHandled;
        requestHandled.notify_all();
    }
}

void VirtualSensor::Impl::HangUpNow(SimClock::time_point now, unsigned reappearAfterMs) {
    if (plugged) {
        // A pulled cable: whatever was on the line is lost, and the device name disappears
        // with it (a dangling link could lead a host to an unrelated pty that reuses the
        // number).
        pacer.Clear();
        outputBlocked = false;
        RemoveLinkTo(linkPath, pty.SlavePath());
        pty.Close();
        plugged = false;
        std::lock_guard lock(mutex);
        heldReply.clear();
    }
    replugAt.reset();
    if (reappearAfterMs > 0) {
        replugAt = now + std::chrono::milliseconds(reappearAfterMs);
    }
}

bool VirtualSensor::Impl::Plug() {
    replugAt.reset();
    std::string why;
    if (!pty.Open(why) || (!linkPath.empty() && !PointLink(linkPath, pty.SlavePath(), why))) {
        pty.Close();
        std::lock_guard lock(mutex);
        problem = why;
        return false;
    }
    std::lock_guard lock(mutex);
    problem.clear();
    slavePaths.push_back(pty.SlavePath());
    currentSlave = &slavePaths.back();
    plugged = true;
    return true;
}

void VirtualSensor::Impl::AnswerDueCommands(SimClock::time_point now) {
    ReceivedCommand command;
    while (pacer.TakeCommand(now, command)) {
        ++commandsReceived;
        Answer answer = Decide(command);
        if (!answer.Garbage.empty()) {
            pacer.QueueLine(command.ReceivedAt, std::move(answer.Garbage), false);
        }
        if (!answer.Reply.empty() &&
            !pacer.QueueLine(command.ReceivedAt, std::move(answer.Reply), true, answer.SplitGap)) {
            answer.Trace += " (lost: the host reads nothing)";
        }
        if (observer) {
            observer(command.Text + " -> " + answer.Trace);
        }
    }
}

Answer VirtualSensor::Impl::Decide(const ReceivedCommand& command) {
    std::lock_guard lock(mutex);
    lastCommand = command.Text;
    Answer answer;
    if (Silent(command.ReceivedAt)) {
        answer.Trace = "(silent)";
        return answer;
    }
    // An error reply rejects the command: it changes nothing in the sensor.
    const bool rejected = faults.ErrorReply();
    const std::string reply =
        rejected ? "?" : responder.Respond(command.Text, Elapsed(command.ReceivedAt));
    answer.Trace = reply.empty() ? "(no reply)" : reply + (rejected ? " (error fault)" : "");
    if (reply.empty()) {
        return answer;
    }
    if (faults.DropReply()) {
        answer.Trace += " (dropped)";
        return answer;
    }
    const SimFaults& active = faults.Faults();
    if (active.JoinReplies && heldReply.empty()) {
        heldReply = reply + "\r";
        answer.Trace += " (held to join the next reply)";
        return answer;
    }
    answer.Reply = std::exchange(heldReply, {}) + reply + "\r";
    if (active.GarbageLine) {
        answer.Garbage = faults.GarbageLine() + "\r";
    }
    if (active.SplitReply) {
        answer.SplitGap = std::chrono::milliseconds(active.SplitGapMs);
    }
    return answer;
}

void VirtualSensor::Impl::WriteDueOutput(SimClock::time_point now) {
    if (!plugged || outputBlocked) {
        return;
    }
    while (OutputChunk* chunk = pacer.DueOutput(now)) {
        const ssize_t written = ::write(pty.MasterFd(), chunk->Bytes.data(), chunk->Bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            // EAGAIN: the host's input queue is full; anything else: the line is unusable
            // and the output is lost, as on a real line nobody listens to.
            if (errno == EAGAIN) {
                outputBlocked = true;
            } else {
                pacer.Clear();
            }
            return;
        }
        if (pacer.Consume(static_cast<std::size_t>(written))) {
            lastReplyEndNs = Nanoseconds(SimClock::now());
        }
    }
}

void VirtualSensor::Impl::WaitForWork() {
    pollfd fds[2] = {{wake.Fd(), POLLIN, 0}, {-1, 0, 0}};
    nfds_t count = 1;
    if (plugged) {
        fds[1] = {pty.MasterFd(), static_cast<short>(POLLIN | (outputBlocked ? POLLOUT : 0)), 0};
        count = 2;
    }
    std::optional<SimClock::time_point> deadline = pacer.NextCommandDue();
    const auto consider = [&deadline](std::optional<SimClock::time_point> candidate) {
        if (candidate && (!deadline || *candidate < *deadline)) {
            deadline = candidate;
        }
    };
    if (!outputBlocked) {
        consider(pacer.NextOutputDue());
    }
    consider(replugAt);
    timespec timeout{};
    if (deadline) {
        timeout = Timeout(SimClock::now(), *deadline);
    }
    const int ready = ::ppoll(fds, count, deadline ? &timeout : nullptr, nullptr);
    if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
        wake.Drain();
    }
    if (ready > 0 && (fds[1].revents & POLLOUT) != 0) {
        outputBlocked = false;
    }
}

void VirtualSensor::Impl::ReadLine() {
    if (!plugged) {
        return;
    }
    char buffer[256];
    for (;;) {
        const ssize_t got = ::read(pty.MasterFd(), buffer, sizeof buffer);
        if (got > 0) {
            pacer.Receive(std::string_view(buffer, static_cast<std::size_t>(got)), SimClock::now());
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return; // EAGAIN: all read
    }
}
