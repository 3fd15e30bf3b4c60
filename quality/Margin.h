#pragma once

#include <span>
#include <vector>

#include "quality/ChannelColour.h"

// How safely a colour sits inside a channel's tolerance box, in percent: 100 at the centre,
// 0 on the edge, negative outside. This is the tool's own estimate; the sensor's match output
// decides, and the display marks where the two disagree.

// One colour against its raw bounds. A box of no width gives 0 on its value and -100 per raw
// count away from it; a box whose high bound lies below its low one holds nothing.
double ColourMargin(double value, double low, double high);

// The smallest of the three colours' margins, the colour scaled first in "Color only".
double ChannelMargin(const ChannelDefinition& channel, const RawRgb& colour);

// One margin per enabled channel of `channels` (entry 0 is channel 1), in channel order.
std::vector<double> EnabledChannelMargins(std::span<const ChannelDefinition> channels,
                                          const RawRgb& colour);

// Whether the match status names channel `channel` (1..15): a bit mask on most models, the
// number of the first matching channel on the fifteen-channel ones.
bool StatusMatchesChannel(unsigned matchStatus, unsigned channel, unsigned modelCode);

// True where the margin and the sensor's match output tell different stories: a margin of 0 or
// more without a match, or a match with a negative margin. On a fifteen-channel model a status
// naming a lower channel says nothing about this one, so it never disagrees.
bool MarginDisagrees(double margin, unsigned matchStatus, unsigned channel, unsigned modelCode);
