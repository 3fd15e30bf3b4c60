// spectrel-sim: a virtual Spectrel sensor on a pseudo-terminal, steered by control lines on
// standard input.

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <mutex>
#include <string>

#include "common/FileDescriptor.h"
#include "sensor/SensorRecords.h"
#include "sim/SimControl.h"
#include "sim/SimOptions.h"
#include "sim/VirtualSensor.h"

namespace {

// The sensor's thread prints answered commands while this thread prints control output.
std::mutex g_outputMutex;

void Print(FILE* stream, const std::string& text) {
    std::lock_guard lock(g_outputMutex);
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
}

// SIGINT, SIGTERM and SIGHUP arrive as readable data on a signalfd, so the stop runs in the
// main loop and not in a handler. They are blocked before the sensor's thread starts, which
// inherits the mask and so never takes them either.
FileDescriptor OpenSignalFd() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    return FileDescriptor(::signalfd(-1, &signals, SFD_CLOEXEC));
}

std::string Announcement(const VirtualSensor& sensor) {
    const SensorIdentity identity = sensor.Identity();
    const ModelInfo* model = FindModel(identity.ModelCode);
    std::string text = "spectrel-sim: " + std::string(model != nullptr ? model->Name : "unknown") +
                       " (model " + std::to_string(identity.ModelCode) + "), serial " +
                       identity.SerialNumber + ", firmware " +
                       FormatFirmware(identity.FirmwareMajor, identity.FirmwareMinor) + "\n";
    text += "spectrel-sim: listening on " + sensor.SlavePath();
    if (!sensor.LinkPath().empty()) {
        text += " (link " + sensor.LinkPath() + ")";
    }
    return text + "\nspectrel-sim: type help for the control lines\n";
}

// Runs the control lines of one chunk of standard input; false once one asks to quit.
bool RunControlLines(std::string& pending, VirtualSensor& sensor) {
    for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        std::string output;
        const ControlResult result = RunControlLine(line, sensor, output);
        Print(result == ControlResult::Rejected ? stderr : stdout, output);
        if (result == ControlResult::Quit) {
            return false;
        }
    }
    return true;
}

// Serves control lines until "quit" or a stop signal.
void Serve(VirtualSensor& sensor, int signalFd) {
    bool inputOpen = true;
    std::string pending;
    for (;;) {
        pollfd fds[2] = {{signalFd, POLLIN, 0}, {inputOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[0].revents != 0) {
            return;
        }
        if (fds[1].revents == 0) {
            continue;
        }
        char buffer[512];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            // Started without a terminal (input from /dev/null): keep answering until a signal.
            inputOpen = got < 0 && (errno == EINTR || errno == EAGAIN);
            continue;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        if (!RunControlLines(pending, sensor)) {
            return;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, options, error)) {
        Print(stderr, "spectrel-sim: " + error + "\n");
        return 2;
    }
    if (options.Help) {
        Print(stdout, SimUsageText());
        return 0;
    }
    const FileDescriptor signalFd = OpenSignalFd();
    if (!signalFd) {
        Print(stderr, "spectrel-sim: cannot watch for signals\n");
        return 1;
    }
    VirtualSensor sensor(options.Config);
    if (options.Verbose) {
        sensor.SetAnswerObserver([](const std::string& line) { Print(stdout, line + "\n"); });
    }
    if (!sensor.Start(options.LinkPath)) {
        Print(stderr, "spectrel-sim: " + sensor.Error() + "\n");
        return 1;
    }
    if (options.SilentMs > 0) {
        sensor.SetSilentFor(options.SilentMs);
    }
    Print(stdout, Announcement(sensor));
    Serve(sensor, signalFd.Get());
    sensor.Stop();
    return 0;
}
