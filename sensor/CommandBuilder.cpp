#include "sensor/Protocol.h"
#include "sensor/WireFields.h"

namespace {

// A command whose fields are written only when they differ from what the sensor is known to
// hold. Every field keeps its comma, so the sensor finds each one at its place.
class ChangedFieldsCommand {
public:
    // everyFieldChanged: nothing is known of the sensor yet, so each field counts as changed.
    ChangedFieldsCommand(std::string_view head, bool everyFieldChanged)
        : text_(head), everyFieldChanged_(everyFieldChanged) {}

    void Always(std::uint32_t value, std::size_t digits) {
        text_ += ',';
        text_ += FormatHex(value, digits);
    }

    // A differing field is written as wireValue and the cache takes the wanted value at once.
    void IfChanged(unsigned wanted, unsigned& cached, std::size_t digits, unsigned wireValue) {
        text_ += ',';
        if (!everyFieldChanged_ && wanted == cached) {
            return;
        }
        cached = wanted;
        text_ += FormatHex(wireValue, digits);
        anyChanged_ = true;
    }

    void IfChanged(unsigned wanted, unsigned& cached, std::size_t digits) {
        IfChanged(wanted, cached, digits, wanted);
    }

    void FlagsIfChanged(const ChannelDefinition& wanted, ChannelDefinition& cache) {
        for (const auto field : CHANNEL_FLAGS) {
            IfChanged(wanted.*field, cache.*field, ONE_DIGIT);
        }
    }

    bool AnyChanged() const { return anyChanged_; }

    std::string Finish() {
        text_ += '\r';
        return std::move(text_);
    }

private:
    std::string text_;
    bool everyFieldChanged_;
    bool anyChanged_ = false;
};

ChangedFieldsCommand ChannelCommand(std::string_view head, unsigned channel) {
    ChangedFieldsCommand command(head, false);
    command.Always(channel - 1, CHANNEL_INDEX_DIGITS);
    return command;
}

} // namespace

std::string BuildReadChannel(unsigned channel) {
    if (!IsValidChannel(channel)) {
        return {};
    }
    return ChannelCommand("!c", channel).Finish();
}

std::string BuildSendSettings(const SensorSettings& wanted, std::optional<SensorSettings>& cache) {
    const bool unknown = !cache.has_value();
    SensorSettings& known = unknown ? cache.emplace() : *cache;
    ChangedFieldsCommand command("!S", unknown);
    command.IfChanged(wanted.Averaging, known.Averaging, ONE_DIGIT);
    command.IfChanged(wanted.Triggering, known.Triggering, ONE_DIGIT);
    command.IfChanged(wanted.OutputDelay, known.OutputDelay, ONE_DIGIT);
    command.IfChanged(wanted.AmbientSubtraction, known.AmbientSubtraction, ONE_DIGIT,
                      InvertAmbientSubtraction(wanted.AmbientSubtraction));
    command.IfChanged(wanted.Illumination, known.Illumination, ILLUMINATION_DIGITS);
    return command.AnyChanged() ? command.Finish() : std::string{};
}

std::string BuildSendChannel(unsigned channel, const ChannelDefinition& wanted,
                             ChannelDefinition& cache) {
    if (!IsValidChannel(channel)) {
        return {};
    }
    ChangedFieldsCommand command = ChannelCommand("!C", channel);
    command.FlagsIfChanged(wanted, cache);
    for (const auto field : CHANNEL_BOUNDS) {
        command.IfChanged(wanted.*field, cache.*field, BOUND_DIGITS);
    }
    return command.AnyChanged() ? command.Finish() : std::string{};
}

std::string BuildTeach(unsigned channel, unsigned matchOutput, unsigned enabled, unsigned mode,
                       double redTolerance, double greenTolerance, double blueTolerance,
                       ChannelDefinition& cache) {
    if (!IsValidChannel(channel)) {
        return {};
    }
    ChannelDefinition flags;
    flags.MatchOutput = matchOutput;
    flags.Enabled = enabled;
    flags.Mode = mode;
    ChangedFieldsCommand command = ChannelCommand("!T", channel);
    command.FlagsIfChanged(flags, cache);
    for (const double tolerance : {redTolerance, greenTolerance, blueTolerance}) {
        command.Always(ScaleTeachTolerance(tolerance), TEACH_TOLERANCE_DIGITS);
    }
    return command.Finish();
}
