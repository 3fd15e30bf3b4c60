#include "cli/CtlOutput.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <ctime>

#include "cli/SensorJson.h"
#include "common/IsoTime.h"
#include "common/NumberText.h"
#include "logging/LogRecord.h"
#include "sensor/Protocol.h"

namespace {

constexpr unsigned DELAY_STEP_MS = 10;

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

std::string PadLeft(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.insert(0, width - text.size(), ' ');
    }
    return text;
}

// "%g" as the C library writes it, without the locale.
std::string FormatGeneral(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::general, 6);
    return std::string(buffer.data(), result.ptr);
}

std::string Bounds(unsigned low, unsigned high) {
    return FormatHex(low, 4) + "-" + FormatHex(high, 4);
}

struct Column {
    const char* Title;
    std::size_t Width;
    bool Numeric; // right-aligned
};

constexpr std::array<Column, 13> CHANNEL_COLUMNS{{{"CH", 2, true},
                                                  {"ENABLED", 7, false},
                                                  {"MODE", 16, false},
                                                  {"OUTPUT", 6, false},
                                                  {"RED", 5, true},
                                                  {"GREEN", 5, true},
                                                  {"BLUE", 5, true},
                                                  {"TOL-R", 5, true},
                                                  {"TOL-G", 5, true},
                                                  {"TOL-B", 5, true},
                                                  {"RED-BOUNDS", 10, false},
                                                  {"GREEN-BOUNDS", 12, false},
                                                  {"BLUE-BOUNDS", 11, false}}};

std::string TableLine(const std::array<std::string, CHANNEL_COLUMNS.size()>& cells) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const Column& column = CHANNEL_COLUMNS[i];
        line += i == 0 ? "" : "  ";
        line += column.Numeric ? PadLeft(cells[i], column.Width)
                               : PadRight(cells[i], i + 1 < cells.size() ? column.Width : 0);
    }
    return line + "\n";
}

std::string ChannelHeader() {
    std::array<std::string, CHANNEL_COLUMNS.size()> titles;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        titles[i] = CHANNEL_COLUMNS[i].Title;
    }
    return TableLine(titles);
}

std::string ChannelRow(const NumberedChannel& numbered) {
    const ChannelDefinition& c = numbered.Channel;
    return TableLine({std::to_string(numbered.Number), c.Enabled != 0 ? "yes" : "no",
                      ModeWord(c.Mode), OutputWord(c.MatchOutput), FormatPercentText(c.RedSetting),
                      FormatPercentText(c.GreenSetting), FormatPercentText(c.BlueSetting),
                      FormatPercentText(c.RedTolerance), FormatPercentText(c.GreenTolerance),
                      FormatPercentText(c.BlueTolerance), Bounds(c.RedLow, c.RedHigh),
                      Bounds(c.GreenLow, c.GreenHigh), Bounds(c.BlueLow, c.BlueHigh)});
}

} // namespace

std::string FormatPercentText(double value) {
    return PadLeft(FormatFixed(value, 1), 4);
}

const char* ModeWord(unsigned mode) {
    return mode == MODE_COLOR_LUMINOSITY ? "color-luminosity" : "color-only";
}

const char* OutputWord(unsigned matchOutput) {
    return matchOutput == OUTPUT_HIGH ? "high" : "low";
}

std::string TriggeringWord(unsigned triggering) {
    switch (triggering) {
    case TRIGGER_FREE_RUN:
        return "freerun";
    case TRIGGER_LEVEL:
        return "level";
    case TRIGGER_EDGE:
        return "edge";
    default:
        return std::to_string(triggering);
    }
}

std::string FormatIdentity(const SensorIdentity& identity, bool json) {
    if (json) {
        return JsonText(IdentityJson(identity)) + "\n";
    }
    const ModelInfo* model = FindModel(identity.ModelCode);
    const bool logging = model != nullptr && model->DataLogging;
    const std::string firmware = FormatFirmware(identity.FirmwareMajor, identity.FirmwareMinor);
    return "model:        " + std::to_string(identity.ModelCode) + " (" +
           ModelName(identity.ModelCode) + ")\n" +
           "channels:     " + std::to_string(ModelChannels(identity.ModelCode)) + "\n" +
           "data logging: " + (logging ? "yes" : "no") + "\n" +
           "serial:       " + EscapedText(identity.SerialNumber) + "\n" +
           "firmware:     " + firmware + "\n";
}

std::string EscapedText(std::string_view text) {
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            escaped += c;
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", byte);
        escaped += hex;
    }
    return escaped;
}

unsigned AveragingSamples(const SensorSettings& settings) {
    // The sensor takes indexes up to 15; 2^15 samples still fits.
    return 1u << (settings.Averaging & 0xF);
}

unsigned OutputDelayMs(const SensorSettings& settings) {
    return settings.OutputDelay * DELAY_STEP_MS;
}

unsigned ModelChannels(unsigned modelCode) {
    const ModelInfo* model = FindModel(modelCode);
    return model != nullptr ? model->Channels : CHANNEL_COUNT_MAX;
}

std::string FormatSettings(const SensorSettings& settings, bool json) {
    if (json) {
        return JsonText(SettingsJson(settings)) + "\n";
    }
    return "averaging:           " + std::to_string(AveragingSamples(settings)) + " samples\n" +
           "triggering:          " + TriggeringWord(settings.Triggering) + "\n" +
           "delay:               " + std::to_string(OutputDelayMs(settings)) + " ms\n" +
           "illumination:        " + std::to_string(settings.Illumination) + " %\n" +
           "ambient subtraction: " + (settings.AmbientSubtraction != 0 ? "on" : "off") + "\n";
}

std::string FormatChannels(const std::vector<NumberedChannel>& channels, bool json) {
    if (json) {
        return JsonText(ChannelsJson(channels)) + "\n";
    }
    std::string text = ChannelHeader();
    for (const NumberedChannel& channel : channels) {
        text += ChannelRow(channel);
    }
    return text;
}

std::string FormatChannel(const NumberedChannel& channel, bool json,
                          const std::vector<ToleranceAdjustment>& adjusted) {
    if (json) {
        JsonValue object = ChannelJson(channel);
        for (const ToleranceAdjustment& adjustment : adjusted) {
            object["adjusted_tolerances"][adjustment.Colour] = adjustment.Tolerance;
        }
        return JsonText(object) + "\n";
    }
    std::string text = ChannelHeader() + ChannelRow(channel);
    for (const ToleranceAdjustment& adjustment : adjusted) {
        text += std::string(adjustment.Colour) + " tolerance adjusted to " +
                FormatGeneral(adjustment.Tolerance) + "%\n";
    }
    return text;
}

std::string FormatReading(std::chrono::system_clock::time_point time, const CurrentReading& reading,
                          bool json) {
    if (json) {
        return JsonText(ReadingJson(time, reading)) + "\n";
    }
    const std::tm local = LocalTimeOf(std::chrono::system_clock::to_time_t(time));
    return LogRecordFields(local,
                           {FormatPercentText(reading.Red), FormatPercentText(reading.Green),
                            FormatPercentText(reading.Blue)},
                           reading.MatchStatus & 0xFF) +
           "\n";
}

std::string ModelName(unsigned modelCode) {
    const ModelInfo* model = FindModel(modelCode);
    return model != nullptr && model->Name[0] != '\0' ? model->Name : "unknown";
}
