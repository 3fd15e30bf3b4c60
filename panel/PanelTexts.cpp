#include "panel/PanelTexts.h"

std::string ReadChannelFailedText(unsigned channel) {
    return "Error reading channel " + std::to_string(channel);
}

std::vector<std::string> ChannelItems(int count) {
    std::vector<std::string> items;
    for (int channel = 1; channel <= count; ++channel) {
        items.push_back(std::to_string(channel));
    }
    return items;
}
