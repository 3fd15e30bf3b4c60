// spectrelctl: the scriptable command-line client of the Spectrel sensors.

#include <signal.h>

#include <atomic>
#include <iostream>

#include "cli/Ctl.h"

namespace {

// Set by SIGINT and SIGTERM; the running command notices it and shuts the port down cleanly.
std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

void RequestStop(int) {
    g_stop = true;
}

} // namespace

int main(int argc, char** argv) {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A closed pipe shows as a failed write, which ends the command cleanly instead of killing it.
    signal(SIGPIPE, SIG_IGN);
    // A file-size limit (ulimit -f) then fails the log's write, which is reported, instead of
    // ending the program.
    signal(SIGXFSZ, SIG_IGN);
    return RunSpectrelCtl(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr,
                          g_stop);
}
