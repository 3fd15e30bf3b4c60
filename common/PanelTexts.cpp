#include "common/PanelTexts.h"

#include <array>

#include "common/PanelFormat.h"

std::string ReadChannelFailedText(unsigned channel) {
    return "Error reading channel " + std::to_string(channel);
}

std::string SendChannelFailedText(unsigned channel) {
    return "Error sending channel " + std::to_string(channel);
}

std::string TeachChannelFailedText(unsigned channel) {
    return "Error teaching channel " + std::to_string(channel);
}

std::string TeachingText(unsigned channel) {
    return "Teaching channel " + std::to_string(channel) + "...";
}

std::string ToleranceAdjustedText(std::size_t component, double tolerance) {
    static constexpr std::array<const char*, 3> COLOURS = {"Red", "Green", "Blue"};
    return std::string(COLOURS[component]) + " tolerance adjusted to " + FormatGeneral(tolerance) +
           "%";
}

std::string ConfirmIlluminationText(int from, int to) {
    return "You are about to change the Illumination setting from " + std::to_string(from) +
           "% to " + std::to_string(to) + "%." +
           "\nThis may affect the performance of one or more Color Recognition channels." +
           "\n\nAre you sure you wish to do this?";
}

std::vector<std::string> ChannelItems(int count) {
    std::vector<std::string> items;
    for (int channel = 1; channel <= count; ++channel) {
        items.push_back(std::to_string(channel));
    }
    return items;
}
