#include "ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

// Pipes the soak writes into must not end it when a child has gone.
void IgnoreBrokenPipes() {
    static const bool ignored = [] {
        ::signal(SIGPIPE, SIG_IGN);
        return true;
    }();
    (void)ignored;
}

} // namespace

ChildProcess::~ChildProcess() {
    Stop();
    CloseInput();
}

bool ChildProcess::Start(const std::vector<std::string>& args, const std::string& outputPath,
                         bool withInput) {
    IgnoreBrokenPipes();
    int pipeEnds[2] = {-1, -1};
    if (withInput && ::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        m_error = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (withInput) {
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<std::string> words = args;
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const int result = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (withInput) {
        ::close(pipeEnds[0]);
        m_input = pipeEnds[1];
    }
    if (result != 0) {
        m_pid = 0;
        CloseInput();
        m_error = "cannot start " + args[0] + ": " + std::strerror(result);
        return false;
    }
    m_ended = false;
    return true;
}

bool ChildProcess::Send(const std::string& line) {
    if (m_input < 0) {
        return false;
    }
    const std::string text = line + "\n";
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t result = ::write(m_input, text.data() + written, text.size() - written);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(result);
    }
    return true;
}

bool ChildProcess::Running() {
    if (m_pid == 0 || m_ended) {
        return false;
    }
    const pid_t result = ::waitpid(m_pid, &m_status, WNOHANG);
    if (result == m_pid || (result < 0 && errno == ECHILD)) {
        m_ended = true;
    }
    return !m_ended;
}

bool ChildProcess::WaitExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Running()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool ChildProcess::Stop(std::chrono::milliseconds grace) {
    if (!Running()) {
        return true;
    }
    ::kill(m_pid, SIGTERM);
    if (WaitExit(grace)) {
        return true;
    }
    ::kill(m_pid, SIGKILL);
    WaitExit(std::chrono::milliseconds(5000));
    return false;
}

std::string ChildProcess::StatusText() const {
    if (WIFSIGNALED(m_status)) {
        return "signal " + std::to_string(WTERMSIG(m_status));
    }
    return "exit " + std::to_string(WEXITSTATUS(m_status));
}

void ChildProcess::CloseInput() {
    if (m_input >= 0) {
        ::close(m_input);
        m_input = -1;
    }
}
