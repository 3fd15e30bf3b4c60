#include "ThreadState.h"

#include <fstream>
#include <string>

bool IsThreadSleeping(pid_t tid) {
    std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return false;
    }
    // "tid (command name) S ...": the name may hold spaces and parentheses, the state follows
    // the last closing parenthesis.
    const auto nameEnd = line.rfind(')');
    return nameEnd != std::string::npos && nameEnd + 2 < line.size() && line[nameEnd + 2] == 'S';
}
