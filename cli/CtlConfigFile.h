#pragma once

#include <CLI/CLI.hpp>

#include "cli/CtlOptions.h"

// `spectrelctl --config FILE`: "name = value" lines named like the long options, no section
// needed; a repeated option takes one line per value (one "device =" line per sensor), a flag
// reads "json = true". Options of the commands (period = 500 for monitor and log) are taken by
// the command given and left to the others.
// The command line wins: an option given there keeps its value, and sensors named there replace
// the file's.
class CtlConfigFile : public CLI::ConfigINI {
public:
    CtlConfigFile(const CLI::App& app, const CtlOptions& options)
        : m_app(app), m_options(options) {}

    // The file's lines, each key once with all its values, addressed to the program or to the
    // command given. Throws CLI::ConfigError naming a key that is no option.
    std::vector<CLI::ConfigItem> from_config(std::istream& input) const override;

private:
    const CLI::App& m_app;
    const CtlOptions& m_options;
};
