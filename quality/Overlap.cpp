#include "quality/Overlap.h"

#include "quality/ChannelColour.h"

namespace {

// The box in shares of its own brightness; a box whose centres add up to 0 stays as it is.
RawBox ShareBox(const ChannelDefinition& channel) {
    RawBox box = BoxOfChannel(channel);
    const double sum = SumOf(CentreOf(box));
    if (sum > 0.0) {
        for (unsigned c = 0; c < 3; ++c) {
            box.Low[c] /= sum;
            box.High[c] /= sum;
        }
    }
    return box;
}

bool BoxesOverlap(const RawBox& a, const RawBox& b) {
    for (unsigned c = 0; c < 3; ++c) {
        if (a.High[c] < b.Low[c] || b.High[c] < a.Low[c]) {
            return false;
        }
    }
    return true;
}

bool ChannelsOverlap(const ChannelDefinition& a, const ChannelDefinition& b) {
    if (a.Mode == MODE_COLOR_ONLY || b.Mode == MODE_COLOR_ONLY) {
        return BoxesOverlap(ShareBox(a), ShareBox(b));
    }
    return BoxesOverlap(BoxOfChannel(a), BoxOfChannel(b));
}

} // namespace

std::vector<ChannelOverlap> FindOverlaps(std::span<const ChannelDefinition> channels) {
    std::vector<ChannelOverlap> overlaps;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        if (channels[i].Enabled == 0) {
            continue;
        }
        for (std::size_t j = i + 1; j < channels.size(); ++j) {
            if (channels[j].Enabled != 0 && ChannelsOverlap(channels[i], channels[j])) {
                overlaps.push_back({unsigned(i + 1), unsigned(j + 1)});
            }
        }
    }
    return overlaps;
}

std::string OverlapMessage(const ChannelOverlap& overlap, unsigned modelCode) {
    return "Channel " + std::to_string(overlap.First) + " overlaps channel " +
           std::to_string(overlap.Second) + ": a colour inside both matches " +
           (IsFifteenChannelModel(modelCode) ? "the lower number" : "both");
}
