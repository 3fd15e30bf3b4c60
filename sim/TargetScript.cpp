#include "sim/TargetScript.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include "common/NumberText.h"

namespace {

std::vector<std::string_view> SplitBlanks(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t position = 0;
    while (position < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r", position);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
        words.push_back(line.substr(start, end - start));
        position = end;
    }
    return words;
}

bool ParseStep(const std::vector<std::string_view>& words, SimTargetStep& step,
               std::string& problem) {
    if (words.size() != 4) {
        problem = "expected 4 numbers (seconds red green blue), found " +
                  std::to_string(words.size()) + " fields";
        return false;
    }
    double values[4] = {};
    for (std::size_t i = 0; i < 4; ++i) {
        if (!ParseNumber(words[i], values[i])) {
            problem = "'" + std::string(words[i]) + "' is not a number";
            return false;
        }
    }
    if (!(values[0] > 0.0)) {
        problem = "the duration must be above 0 seconds";
        return false;
    }
    for (std::size_t i = 1; i < 4; ++i) {
        if (values[i] < 0.0 || values[i] > 100.0) {
            problem = "colour " + std::string(words[i]) + " lies outside 0 to 100 percent";
            return false;
        }
    }
    step = {values[0], values[1], values[2], values[3]};
    return true;
}

} // namespace

bool ParseTargetScript(std::string_view text, std::vector<SimTargetStep>& steps,
                       std::string& error) {
    std::vector<SimTargetStep> parsed;
    unsigned lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;
        const std::vector<std::string_view> words = SplitBlanks(line);
        if (words.empty() || words.front().front() == '#') {
            continue;
        }
        SimTargetStep step;
        std::string problem;
        if (!ParseStep(words, step, problem)) {
            error = "line " + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
        parsed.push_back(step);
    }
    if (parsed.empty()) {
        error = "the script holds no step";
        return false;
    }
    steps = std::move(parsed);
    return true;
}

bool LoadTargetScript(const std::string& path, std::vector<SimTargetStep>& steps,
                      std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read script " + path + ": " + std::strerror(errno);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!ParseTargetScript(text.str(), steps, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}
