#include "panel/PanelTexts.h"

std::string ReadChannelFailedText(unsigned channel) {
    return "Error reading channel " + std::to_string(channel);
}

std::string SendChannelFailedText(unsigned channel) {
    return "Error sending channel " + std::to_string(channel);
}

std::string TeachChannelFailedText(unsigned channel) {
    return "Error teaching channel " + std::to_string(channel);
}

std::vector<std::string> ChannelItems(int count) {
    std::vector<std::string> items;
    for (int channel = 1; channel <= count; ++channel) {
        items.push_back(std::to_string(channel));
    }
    return items;
}
