#include "FaultKinds.h"

#include <cstdio>

const std::vector<FaultKind>& LineFaultKinds() {
    static const std::vector<FaultKind> kinds{
        FaultKind::Drop,   FaultKind::Error,  FaultKind::Garbage,
        FaultKind::Split,  FaultKind::Join,   FaultKind::Silent,
        FaultKind::HangUp, FaultKind::Replug, FaultKind::Serial,
    };
    return kinds;
}

const char* FaultName(FaultKind kind) {
    switch (kind) {
    case FaultKind::Drop:
        return "drop";
    case FaultKind::Error:
        return "error";
    case FaultKind::Garbage:
        return "garbage";
    case FaultKind::Split:
        return "split";
    case FaultKind::Join:
        return "join";
    case FaultKind::Silent:
        return "silent";
    case FaultKind::HangUp:
        return "hangup";
    case FaultKind::Replug:
        return "replug";
    case FaultKind::Serial:
        return "serial";
    case FaultKind::Remote:
        return "remote";
    case FaultKind::Broker:
        return "broker";
    }
    return "?";
}

namespace {

std::string SwappedSerial(unsigned number) {
    char text[17];
    std::snprintf(text, sizeof text, "SOAK%012u", number);
    return text;
}

} // namespace

FaultEpisode MakeEpisode(FaultKind kind, std::chrono::milliseconds hold, unsigned number) {
    FaultEpisode episode;
    episode.Kind = kind;
    episode.Hold = hold;
    switch (kind) {
    case FaultKind::Drop:
        episode.StartLines = {"drop 0.3"};
        episode.EndLines = {"drop 0"};
        break;
    case FaultKind::Error:
        episode.StartLines = {"error 0.2"};
        episode.EndLines = {"error 0"};
        break;
    case FaultKind::Garbage:
    case FaultKind::Split:
    case FaultKind::Join: {
        const std::string name = FaultName(kind);
        episode.StartLines = {name + " on"};
        episode.EndLines = {name + " off"};
        break;
    }
    case FaultKind::Silent:
        episode.StartLines = {"silent on"};
        episode.EndLines = {"silent off"};
        break;
    case FaultKind::HangUp:
        // Comes back by itself once the hold is over.
        episode.StartLines = {"hangup " + std::to_string(hold.count())};
        break;
    case FaultKind::Replug:
        episode.StartLines = {"hangup"};
        episode.EndLines = {"replug"};
        break;
    case FaultKind::Serial:
        // Swapped within the polls' time-out or beyond it: either way the panel must end up
        // showing the sensor that answers now.
        episode.NewSerial = SwappedSerial(number);
        episode.StartLines = {"hangup", "serial " + episode.NewSerial};
        episode.EndLines = {"replug"};
        break;
    case FaultKind::Remote:
        break; // ser2net killed and started again by the soak
    case FaultKind::Broker:
        break; // mosquitto killed and started again by the soak
    }
    return episode;
}

FaultEpisode DrawEpisode(std::mt19937_64& random, const std::vector<FaultKind>& kinds,
                         unsigned number) {
    std::uniform_int_distribution<std::size_t> pick(0, kinds.size() - 1);
    const FaultKind kind = kinds[pick(random)];
    // Long enough for the proxy's reply time-out to notice a line that went quiet.
    std::uniform_int_distribution<int> holdMs(kind == FaultKind::Silent ? 3000 : 1500, 6000);
    return MakeEpisode(kind, std::chrono::milliseconds(holdMs(random)), number);
}
