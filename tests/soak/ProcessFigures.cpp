#include "ProcessFigures.h"

#include <filesystem>
#include <fstream>

ProcessFigures ReadProcessFigures(pid_t pid) {
    ProcessFigures figures;
    const std::string folder = "/proc/" + std::to_string(pid);
    std::ifstream status(folder + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> figures.RssKiB;
        } else if (key == "Threads:") {
            status >> figures.Threads;
        }
        status.ignore(4096, '\n');
    }
    std::error_code error;
    int fds = 0;
    for (std::filesystem::directory_iterator entry(folder + "/fd", error), end;
         !error && entry != end; entry.increment(error)) {
        ++fds;
    }
    if (!error) {
        figures.OpenFds = fds;
    }
    return figures;
}

std::string CompareFigures(const ProcessFigures& start, const ProcessFigures& end) {
    const long growth = end.RssKiB - start.RssKiB;
    return "RSS " + std::to_string(start.RssKiB) + " KiB -> " + std::to_string(end.RssKiB) +
           " KiB (" + (growth >= 0 ? "+" : "") + std::to_string(growth) + " KiB), fds " +
           std::to_string(start.OpenFds) + " -> " + std::to_string(end.OpenFds) + ", threads " +
           std::to_string(start.Threads) + " -> " + std::to_string(end.Threads);
}
