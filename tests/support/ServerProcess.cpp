#include "support/ServerProcess.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "common/FileDescriptor.h"
#include "support/Deadline.h"

extern char** environ;

namespace {

// Starts `arguments[0]` with its output appended to `log`; -1 with the reason in `error`
// when it could not start.
pid_t Spawn(std::vector<std::string> arguments, const std::string& log, int& error) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

int Reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

} // namespace

bool ServerProcess::Start(const std::vector<std::string>& arguments, const std::string& log,
                          std::string& error) {
    Kill();
    int spawned = 0;
    m_pid = Spawn(arguments, log, spawned);
    if (m_pid < 0) {
        error = std::strerror(spawned);
        return false;
    }
    return true;
}

bool ServerProcess::AwaitReady(const std::function<bool()>& ready,
                               std::chrono::milliseconds timeout) {
    // A server that ended will never be ready: the wait stops there too.
    bool ended = false;
    const bool stopped = WaitUntil(
        [&] {
            if (ready()) {
                return true;
            }
            int status = 0;
            ended = m_pid < 0 || ::waitpid(m_pid, &status, WNOHANG) == m_pid;
            return ended;
        },
        timeout);
    if (ended) {
        m_pid = -1;
    }
    return stopped && !ended;
}

void ServerProcess::Kill() {
    if (m_pid <= 0) {
        return;
    }
    ::kill(m_pid, SIGKILL);
    Reap(m_pid);
    m_pid = -1;
}

bool RunToEnd(const std::vector<std::string>& arguments, const std::string& log) {
    int error = 0;
    const pid_t pid = Spawn(arguments, log, error);
    return pid > 0 && Reap(pid) == 0;
}

unsigned FreeLoopbackPort() {
    const FileDescriptor probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (!probe || ::bind(probe.Get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(probe.Get(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}
