#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "common/FileDescriptor.h"

// Opens a TCP connection to host:port before the deadline, trying the addresses the name
// stands for in turn; a name lookup that outlasts the deadline is abandoned, not waited for.
// The socket is non-blocking and close-on-exec, sends small writes at once (a command is one)
// and probes an idle peer, so one that vanishes without a word is noticed within seconds.
// An eventfd signalled on cancel ends the attempt with ECANCELED. False with the reason (an
// errno value or a LINK_ERROR_...) in error.
bool ConnectTcp(const std::string& host, const std::string& port,
                std::chrono::steady_clock::time_point deadline, int cancel, FileDescriptor& socket,
                std::uint32_t& error);

// The reason of a failed name lookup (getaddrinfo's status, with the errno of the thread that
// looked up for EAI_SYSTEM), in the number space of TcpConnect's errors.
std::uint32_t LookupFailure(int status, int systemError);
