#include "cli/CtlConfigFile.h"

#include <algorithm>

namespace {

bool IsTargetKey(const std::string& name) {
    return name == "device" || name == "port";
}

// The reader joins a key's values only when its lines follow each other.
std::vector<CLI::ConfigItem> MergeRepeatedKeys(const std::vector<CLI::ConfigItem>& items) {
    std::vector<CLI::ConfigItem> merged;
    for (const CLI::ConfigItem& item : items) {
        const auto same = std::find_if(merged.begin(), merged.end(), [&item](const auto& earlier) {
            return earlier.fullname() == item.fullname();
        });
        if (same == merged.end()) {
            merged.push_back(item);
        } else {
            same->inputs.insert(same->inputs.end(), item.inputs.begin(), item.inputs.end());
        }
    }
    return merged;
}

bool Configurable(const CLI::App& app, const std::string& name) {
    const CLI::Option* option = app.get_option_no_throw("--" + name);
    return option != nullptr && option->get_configurable();
}

// An option of any command: a file shared by several commands holds them all.
bool IsCommandOption(const CLI::App& app, const std::string& name) {
    const auto commands = app.get_subcommands({});
    return std::any_of(commands.begin(), commands.end(),
                       [&name](const CLI::App* command) { return Configurable(*command, name); });
}

} // namespace

std::vector<CLI::ConfigItem> CtlConfigFile::from_config(std::istream& input) const {
    std::vector<CLI::ConfigItem> taken;
    const auto commands = m_app.get_subcommands();
    for (CLI::ConfigItem& item : MergeRepeatedKeys(CLI::ConfigINI::from_config(input))) {
        // A section's start and end marks; its keys are refused below.
        const bool sectionMark = item.name == "++" || item.name == "--";
        if (sectionMark ||
            (IsTargetKey(item.name) && item.parents.empty() && !m_options.Targets.empty())) {
            continue;
        }
        if (!item.parents.empty() ||
            (!Configurable(m_app, item.name) && !IsCommandOption(m_app, item.name))) {
            throw CLI::ConfigError("unknown key \"" + item.fullname() + "\"");
        }
        if (Configurable(m_app, item.name)) {
            taken.push_back(std::move(item));
        } else if (!commands.empty() && Configurable(*commands.front(), item.name)) {
            item.parents = {commands.front()->get_name()};
            taken.push_back(std::move(item));
        }
    }
    return taken;
}
