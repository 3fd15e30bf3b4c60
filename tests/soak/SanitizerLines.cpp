#include "SanitizerLines.h"

#include <filesystem>
#include <fstream>

namespace {

bool IsSanitizerReport(const std::string& line) {
    for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer",
                               "runtime error:", "WARNING: ThreadSanitizer"}) {
        if (line.find(marker) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<std::string> SanitizerLines(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->path().extension() != ".out") {
            continue;
        }
        std::ifstream file(entry->path());
        std::string line;
        while (std::getline(file, line)) {
            if (IsSanitizerReport(line)) {
                found.push_back(entry->path().filename().string() + ": " + line);
            }
        }
    }
    return found;
}
