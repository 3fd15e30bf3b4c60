#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sensor/SensorRecords.h"

// The sensor's ASCII line protocol: command texts (with the changed-fields rule) and reply
// parsing. Pure functions: no port, thread or timer, so the proxy, the virtual sensor, the
// tests and the fuzzers all call them directly.

inline constexpr std::string_view CMD_IDENTIFY = "!i\r";
inline constexpr std::string_view CMD_READ_SETTINGS = "!s\r";
inline constexpr std::string_view CMD_READ_DATA = "!d\r";
inline constexpr std::string_view CMD_READ_VERSION = "!v\r";

// Channels are numbered 1..15; the wire carries the index 0..E.
inline constexpr unsigned CHANNEL_COUNT_MAX = 15;
bool IsValidChannel(unsigned channel);

// Value of the hex field of `digits` characters at `position`; a non-hex character and a
// position beyond the end of the line count as digit 0.
std::uint32_t ParseHex(std::string_view line, std::size_t position, std::size_t digits);
// Upper-case hex, zero-padded to at least `digits` characters, as every numeric field on the
// wire is written (more characters only when the value needs them).
std::string FormatHex(std::uint32_t value, std::size_t digits);

// Every builder needs a valid channel and gives an empty string for any other (nothing can be
// sent to a channel that does not exist); callers check IsValidChannel first.
std::string BuildReadChannel(unsigned channel);

// Settings send against the settings cache (std::nullopt = nothing known yet: every field
// counts as changed). Fields that differ are written and stored in the cache; equal ones are
// left empty. Returns an empty string when no field differs (nothing to send).
std::string BuildSendSettings(const SensorSettings& wanted, std::optional<SensorSettings>& cache);

// The flags and raw bounds of a channel send, compared with (and stored into) the cached
// channel record; its settings and tolerances are left to the caller. Returns an empty string
// when nothing differs.
std::string BuildSendChannel(unsigned channel, const ChannelDefinition& wanted,
                             ChannelDefinition& cache);

// Teach command: flags by the changed-fields rule (stored into the cache), the three
// tolerances always (scaled). Always returns a command for a valid channel.
std::string BuildTeach(unsigned channel, unsigned matchOutput, unsigned enabled, unsigned mode,
                       double redTolerance, double greenTolerance, double blueTolerance,
                       ChannelDefinition& cache);

enum class ReplyKind {
    Ignored,     // neither "!" nor "?", or an unknown letter
    ErrorReply,  // "?"
    Identity,    // "!i"
    Settings,    // "!s"
    SettingsAck, // "!S"
    Channel,     // "!c"
    ChannelAck,  // "!C"
    Data,        // "!d"
    Version,     // "!v"
    Teach,       // "!T"
};
ReplyKind ClassifyReply(std::string_view line);

inline constexpr std::size_t IDENTITY_REPLY_LENGTH = 21;
inline constexpr std::size_t DATA_REPLY_LENGTH = 20;
// One reading on the line: the command with its CR out, the reply with its CR back.
inline constexpr std::size_t DATA_EXCHANGE_CHARACTERS =
    CMD_READ_DATA.size() + DATA_REPLY_LENGTH + 1;

// Each parser reads the fixed positions of its layout (short lines read as zero digits).
// Identity: false unless the line is exactly 21 characters.
bool ParseIdentityReply(std::string_view line, SensorIdentity& identity);
SensorSettings ParseSettingsReply(std::string_view line);
// Channel and teach replies carry a channel index; index F addresses no channel and the
// parser returns false without touching anything. On success `channel` is 1..15.
// ReplyChannelNumber tells the channel before parsing (0 for index F), so that the caller can
// hand over the right record.
unsigned ReplyChannelNumber(std::string_view line);
// Flags and bounds replace the record's; settings and tolerances are derived from the bounds.
bool ParseChannelReply(std::string_view line, unsigned& channel, ChannelDefinition& definition);
// `definition` holds the channel's current record: the new bounds replace its bounds, and the
// tolerances it holds (those the teach was sent with) stay when they explain the new bounds.
bool ParseTeachReply(std::string_view line, unsigned& channel, ChannelDefinition& definition);
CurrentReading ParseDataReply(std::string_view line);
void ParseVersionReply(std::string_view line, SensorIdentity& identity);
