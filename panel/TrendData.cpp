#include "panel/TrendData.h"

#include <array>
#include <cstdio>

#include "common/IsoTime.h"
#include "common/NumberText.h"
#include "logging/LogRecord.h"
#include "quality/Margin.h"

namespace {

std::string HeaderLine(std::span<const ChannelDefinition> channels) {
    std::string line = "time,red,green,blue,match";
    for (std::size_t index = 0; index < channels.size(); ++index) {
        if (channels[index].Enabled != 0) {
            line += ",margin_" + std::to_string(index + 1);
        }
    }
    return line + "\n";
}

std::string EntryLine(const HistoryEntry& entry, std::span<const ChannelDefinition> channels) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(entry.Wall);
    std::string line = IsoTime(LocalTimeOf(seconds), entry.Wall);
    for (const std::uint16_t raw : entry.Raw) {
        line += "," + FormatFixed(RawToPercent(raw), 1);
    }
    std::array<char, 4> match{};
    std::snprintf(match.data(), match.size(), "%02X", entry.MatchStatus & 0xFFU);
    line += ",";
    line += match.data();
    for (const double margin : EnabledChannelMargins(channels, RawOfEntry(entry))) {
        line += "," + FormatFixed(margin, 1);
    }
    return line + "\n";
}

} // namespace

std::string TrendDataText(const CReadingHistory& history, std::size_t first,
                          std::span<const ChannelDefinition> channels) {
    std::string text = HeaderLine(channels);
    for (std::size_t index = first; index < history.Size(); ++index) {
        text += EntryLine(history.At(index), channels);
    }
    return text;
}
