#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "quality/ReadingHistory.h"

// The Trend window's "Save Data..." file: a header line "time,red,green,blue,match,margin_N...",
// then one line per reading from `first` to the newest: the time as the client's JSON writes
// it, the colours in percent with one decimal, the match status as the log's two hex digits and
// one margin per enabled channel of `channels` (entry 0 is channel 1), in channel order.
std::string TrendDataText(const CReadingHistory& history, std::size_t first,
                          std::span<const ChannelDefinition> channels);
