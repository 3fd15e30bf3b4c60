#pragma once

#include <cstdint>
#include <string>

// Reasons a remote line fails that have no error number of the system's own. They share the
// number space of errno (CSerialPort::LastError), above every value errno takes.
inline constexpr std::uint32_t LINK_ERROR_BAD_ADDRESS = 0x10001;
inline constexpr std::uint32_t LINK_ERROR_HOST_NOT_FOUND = 0x10002;
inline constexpr std::uint32_t LINK_ERROR_NO_RFC2217 = 0x10003;
inline constexpr std::uint32_t LINK_ERROR_FORMAT_REFUSED = 0x10004;
inline constexpr std::uint32_t LINK_ERROR_SERVER_IN_USE = 0x10005;
// The server agreed to RFC 2217 line control but left settings unconfirmed: this number plus
// the settings' bits (ComPortSetup::Unconfirmed), one per line setting below.
inline constexpr unsigned LINE_SETTING_BAUD = 1U << 0;
inline constexpr unsigned LINE_SETTING_SIZE = 1U << 1;
inline constexpr unsigned LINE_SETTING_PARITY = 1U << 2;
inline constexpr unsigned LINE_SETTING_STOP = 1U << 3;
inline constexpr unsigned LINE_SETTING_FLOW = 1U << 4;
inline constexpr std::uint32_t LINK_ERROR_UNCONFIRMED = 0x10200;
inline constexpr std::uint32_t LINK_ERROR_UNCONFIRMED_LAST = 0x102FF;
// A name lookup that failed otherwise than by not finding the name: this number plus the
// magnitude of getaddrinfo's (negative) status, worded with the resolver's own text.
inline constexpr std::uint32_t LINK_ERROR_LOOKUP_FAILED = 0x10100;
inline constexpr std::uint32_t LINK_ERROR_LOOKUP_FAILED_LAST = 0x101FF;

// The reason in words: the texts above for those, the system's text for an errno value.
std::string LinkErrorText(std::uint32_t error);
