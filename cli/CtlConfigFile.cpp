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

const CLI::Option* ConfigurableOption(const CLI::App& app, const std::string& name) {
    const CLI::Option* option = app.get_option_no_throw("--" + name);
    return option != nullptr && option->get_configurable() ? option : nullptr;
}

} // namespace

std::vector<CLI::ConfigItem> CtlConfigFile::from_config(std::istream& input) const {
    std::vector<CLI::ConfigItem> taken;
    const auto commands = m_app.get_subcommands();
    for (CLI::ConfigItem& item : MergeRepeatedKeys(CLI::ConfigINI::from_config(input))) {
        if (IsTargetKey(item.name) && item.parents.empty() && !m_options.Targets.empty()) {
            continue;
        }
        if (item.parents.empty() && ConfigurableOption(m_app, item.name) != nullptr) {
            taken.push_back(std::move(item));
        } else if (item.parents.empty() && !commands.empty() &&
                   ConfigurableOption(*commands.front(), item.name) != nullptr) {
            item.parents = {commands.front()->get_name()};
            taken.push_back(std::move(item));
        } else {
            throw CLI::ConfigError("unknown key \"" + item.fullname() + "\"");
        }
    }
    return taken;
}
