// The soak: hours of faults against the window's controller and spectrelctl, with figures.
//
//   spectrel-soak [--minutes M | --seconds S] [--seed N] [--matrix]
//                 [--sim PATH-OF-spectrel-sim] [--ctl PATH-OF-spectrelctl]
//
// --matrix plays each fault kind once and exits 1 unless each was recovered from.

#include <charconv>
#include <cstdio>
#include <random>
#include <string>

#include "Soak.h"

namespace {

bool ParseNumber(const std::string& text, std::uint64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

bool ParseArguments(int argc, char** argv, SoakOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--matrix") {
            options.Matrix = true;
            continue;
        }
        if (i + 1 >= argc) {
            return false;
        }
        const std::string value = argv[++i];
        std::uint64_t number = 0;
        if (name == "--sim") {
            options.SimProgram = value;
        } else if (name == "--ctl") {
            options.CtlProgram = value;
        } else if (!ParseNumber(value, number)) {
            return false;
        } else if (name == "--minutes") {
            options.Length = std::chrono::minutes(number);
        } else if (name == "--seconds") {
            options.Length = std::chrono::seconds(number);
        } else if (name == "--seed") {
            options.Seed = number;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    SoakOptions options;
    options.SimProgram = SPECTREL_SIM_PROGRAM;
    options.CtlProgram = SPECTREL_CTL_PROGRAM;
    options.Seed = std::random_device()();
    if (!ParseArguments(argc, argv, options)) {
        std::fprintf(stderr, "usage: spectrel-soak [--minutes M | --seconds S] [--seed N] "
                             "[--matrix] [--sim PATH] [--ctl PATH]\n");
        return 2;
    }
    return Soak(options).Run();
}
