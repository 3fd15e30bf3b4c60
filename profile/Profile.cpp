#include "profile/Profile.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <string_view>
#include <unistd.h>

namespace {

constexpr const char* SENSOR = "Sensor";
constexpr const char* LOGGING = "Logging";
constexpr int MAX_AVERAGING_INDEX = 9; // 512 samples, the most a sensor reports
constexpr int MAX_SAMPLES = 64;        // the most a profile may ask for
constexpr int DELAY_STEP_MS = 10;
constexpr int MAX_DELAY_MS = 100;
constexpr int MAX_PERCENT = 100;
constexpr double MIN_TOLERANCE = 0.5;
constexpr double MAX_TOLERANCE = 50.0;

// The words of one enumeration, at their values 0, 1, ...; a value without a word is written
// as the first.
template <std::size_t N> struct Words {
    std::array<const char*, N> Text;

    const char* Of(int value) const {
        return value >= 0 && value < static_cast<int>(N) ? Text[value] : Text[0];
    }
};
constexpr Words<3> TRIGGERING{{"FreeRun", "Level", "Edge"}};
constexpr Words<3> LOG_TYPE{{"Continuous", "Match", "Interval"}};
constexpr Words<2> ENABLED{{"No", "Yes"}};
constexpr Words<2> MODE{{"ColorAndLuminosity", "ColorOnly"}};
constexpr Words<2> OUTPUT{{"High", "Low"}};

bool SameWord(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return lower(x) == lower(y); });
}

std::string IntegerText(long long value) {
    return std::to_string(value);
}

int AveragingSamples(int index) {
    return index >= 0 && index <= MAX_AVERAGING_INDEX ? 1 << index : 1;
}

int DelayMs(int index) {
    return index >= 0 ? index * DELAY_STEP_MS : 0;
}

struct ChannelKeys {
    const char* Key;
    double PanelChannel::*Value;
    bool Tolerance;
};
constexpr std::array<ChannelKeys, 6> CHANNEL_NUMBERS{{
    {"RedSetting", &PanelChannel::RedSetting, false},
    {"GreenSetting", &PanelChannel::GreenSetting, false},
    {"BlueSetting", &PanelChannel::BlueSetting, false},
    {"RedTolerance", &PanelChannel::RedTolerance, true},
    {"GreenTolerance", &PanelChannel::GreenTolerance, true},
    {"BlueTolerance", &PanelChannel::BlueTolerance, true},
}};

int ChannelCountOf(const ProfileValues& values) {
    return std::clamp(values.ChannelCount, 0, PROFILE_MAX_CHANNELS);
}

// Reads the keys of one profile, listing each bad entry as it meets it.
class ProfileReader {
public:
    ProfileReader(const CIniStore& store, std::vector<ProfileEntry>& bad)
        : m_store(store), m_bad(bad) {}

    void Read(ProfileValues& values) {
        ReadSettings(values);
        ReadLogging(values.Logging);
        for (int channel = 1; channel <= ChannelCountOf(values); ++channel) {
            ReadChannel(ChannelSection(channel), values.Channels[channel - 1]);
        }
    }

private:
    void ReadSettings(ProfileValues& values) {
        const int samples =
            Int(SENSOR, "Averaging", 1, MAX_SAMPLES, AveragingSamples(values.AveragingIndex));
        values.AveragingIndex = SamplesIndex(samples);
        values.TriggeringIndex =
            Word(SENSOR, "Triggering", TRIGGERING, TRIGGERING.Of(values.TriggeringIndex));
        const int delay =
            Int(SENSOR, "OutputDelay", 0, MAX_DELAY_MS, DelayMs(values.OutputDurationIndex));
        values.OutputDurationIndex = (delay + DELAY_STEP_MS / 2) / DELAY_STEP_MS;
        values.Illumination = Int(SENSOR, "Illumination", 0, MAX_PERCENT, values.Illumination);
    }

    // 1, 2, 4 ... 512 samples give the index 0 .. 9 (above 64 only as the current value kept);
    // any other count is a bad entry that selects one sample.
    int SamplesIndex(int samples) {
        for (int index = 0; index <= MAX_AVERAGING_INDEX; ++index) {
            if (samples == 1 << index) {
                return index;
            }
        }
        Report(SENSOR, "Averaging");
        return 0;
    }

    void ReadLogging(LogSettings& logging) {
        logging.FileName = m_store.ReadString(LOGGING, "FileName", PROFILE_LOG_FILE_DEFAULT);
        logging.Mode = Word(LOGGING, "Type", LOG_TYPE, LOG_TYPE.Of(logging.Mode));
        logging.Interval =
            Int(LOGGING, "Interval", LOG_INTERVAL_MIN, LOG_INTERVAL_MAX, logging.Interval);
    }

    void ReadChannel(const std::string& section, PanelChannel& channel) {
        channel.Enabled = Word(section, "Enabled", ENABLED, ENABLED.Of(channel.Enabled != 0), 1);
        channel.Mode = Word(section, "Mode", MODE, MODE.Of(channel.Mode == 1));
        channel.MatchOutput =
            Word(section, "MatchOutput", OUTPUT, OUTPUT.Of(channel.MatchOutput == 1));
        for (const ChannelKeys& number : CHANNEL_NUMBERS) {
            double& value = channel.*number.Value;
            value = number.Tolerance
                        ? Double(section, number.Key, MIN_TOLERANCE, MAX_TOLERANCE, value)
                        : Double(section, number.Key, 0.0, MAX_PERCENT, value);
        }
        channel.Luminosity =
            ChannelLuminosity(channel.RedSetting, channel.GreenSetting, channel.BlueSetting);
    }

    // A missing key gives the default unchecked: a kept value beyond the range (128 samples
    // read from a sensor) stays as it is.
    int Int(const std::string& section, const char* key, int minimum, int maximum,
            int defaultValue) {
        if (!m_store.HasKey(section, key)) {
            return defaultValue;
        }
        const int value = m_store.ReadInt(section, key, defaultValue);
        if (value >= minimum && value <= maximum) {
            return value;
        }
        Report(section, key);
        return defaultValue;
    }

    // The value's index among the words, any case; anything else is reported and gives
    // `fallback`.
    template <std::size_t N>
    int Word(const std::string& section, const char* key, const Words<N>& words,
             const char* defaultWord, int fallback = 0) {
        const std::string text = m_store.ReadString(section, key, defaultWord);
        for (std::size_t i = 0; i < N; ++i) {
            if (SameWord(text, words.Text[i])) {
                return static_cast<int>(i);
            }
        }
        Report(section, key);
        return fallback;
    }

    // An empty value (or none) keeps the default silently; a number outside the range, or a
    // text that is no finite number, is reported and keeps it too.
    double Double(const std::string& section, const char* key, double minimum, double maximum,
                  double defaultValue) {
        const std::string text = m_store.ReadString(section, key, "");
        if (text.empty()) {
            return defaultValue;
        }
        const double value = LeadingNumber(text);
        if (std::isfinite(value) && value >= minimum && value <= maximum) {
            return value;
        }
        Report(section, key);
        return defaultValue;
    }

    // The decimal number the text starts with (an optional sign, digits, a point, an
    // exponent), 0 when it starts with none; never the locale's decimal separator.
    static double LeadingNumber(std::string_view text) {
        bool negative = false;
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
            negative = text.front() == '-';
            text.remove_prefix(1);
        }
        double value = 0.0;
        const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
        if (result.ec == std::errc::result_out_of_range) {
            return HUGE_VAL;
        }
        if (result.ec != std::errc()) {
            return 0.0;
        }
        return negative ? -value : value;
    }

    void Report(const std::string& section, const char* key) { m_bad.push_back({section, key}); }

    const CIniStore& m_store;
    std::vector<ProfileEntry>& m_bad;
};

} // namespace

std::string WorkingDirectoryLogFile() {
    char directory[PATH_MAX];
    if (::getcwd(directory, sizeof directory) == nullptr) {
        return {};
    }
    return std::string(directory) + "/" + PROFILE_LOG_FILE_DEFAULT;
}

std::string ChannelSection(int channel) {
    return "Channel#" + std::to_string(channel);
}

std::string BadEntryText(const ProfileEntry& entry) {
    return "Bad entry for [" + entry.Section + "]" + entry.Key;
}

std::string ProfileNumber(double value) {
    char digits[64];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6);
    std::string text(digits, result.ptr);
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return text;
}

std::vector<ProfileKeyText> ProfileKeys(const ProfileValues& values) {
    std::vector<ProfileKeyText> keys;
    const auto add = [&keys](const std::string& section, const char* key, std::string text) {
        keys.push_back({{section, key}, std::move(text)});
    };
    add(SENSOR, "Model", values.ModelName);
    add(SENSOR, "SerialNumber", values.SerialNumber);
    add(SENSOR, "FirmwareVersion", FormatFirmware(values.FirmwareMajor, values.FirmwareMinor));
    add(SENSOR, "Averaging", IntegerText(AveragingSamples(values.AveragingIndex)));
    add(SENSOR, "Triggering", TRIGGERING.Of(values.TriggeringIndex));
    add(SENSOR, "OutputDelay", IntegerText(DelayMs(values.OutputDurationIndex)));
    add(SENSOR, "Illumination", IntegerText(values.Illumination));
    add(LOGGING, "FileName", values.Logging.FileName);
    add(LOGGING, "Type", LOG_TYPE.Of(values.Logging.Mode));
    add(LOGGING, "Interval", IntegerText(values.Logging.Interval));
    for (int channel = 1; channel <= ChannelCountOf(values); ++channel) {
        const std::string section = ChannelSection(channel);
        const PanelChannel& entry = values.Channels[channel - 1];
        add(section, "Enabled", ENABLED.Of(entry.Enabled != 0));
        add(section, "Mode", MODE.Of(entry.Mode == 1));
        add(section, "MatchOutput", OUTPUT.Of(entry.MatchOutput == 1));
        for (const ChannelKeys& number : CHANNEL_NUMBERS) {
            add(section, number.Key, ProfileNumber(entry.*number.Value));
        }
    }
    return keys;
}

bool WriteProfile(const ProfileValues& values, CIniStore& store) {
    for (const ProfileKeyText& key : ProfileKeys(values)) {
        if (!store.WriteString(key.Entry.Section, key.Entry.Key, key.Text)) {
            return false;
        }
    }
    return true;
}

std::vector<ProfileEntry> ReadProfile(const CIniStore& store, ProfileValues& values) {
    std::vector<ProfileEntry> bad;
    ProfileReader(store, bad).Read(values);
    return bad;
}

bool IsProfile(const CIniStore& store) {
    bool channel = false;
    for (int number = 1; number <= PROFILE_MAX_CHANNELS && !channel; ++number) {
        channel = store.HasSection(ChannelSection(number));
    }
    return channel || store.HasSection(SENSOR);
}

namespace {

bool WriteAndSave(const std::string& path, const ProfileValues& values, CIniStore& store,
                  std::string& error) {
    if (!WriteProfile(values, store) || !store.Save(path)) {
        error = store.Error();
        return false;
    }
    return true;
}

} // namespace

bool SaveProfileFile(const std::string& path, const ProfileValues& values, std::string& error) {
    CIniStore store(PROFILE_NEW_FILE_LINE_END);
    if (!store.Load(path)) {
        error = store.Error();
        return false;
    }
    return WriteAndSave(path, values, store, error);
}

bool ReplaceProfileFile(const std::string& path, const ProfileValues& values, std::string& error) {
    CIniStore store(PROFILE_NEW_FILE_LINE_END);
    return WriteAndSave(path, values, store, error);
}

bool LoadProfileFile(const std::string& path, ProfileValues& values,
                     std::vector<ProfileEntry>& badEntries, std::string& error) {
    CIniStore store;
    if (!store.Load(path)) {
        error = store.Error();
        return false;
    }
    badEntries = ReadProfile(store, values);
    return true;
}
