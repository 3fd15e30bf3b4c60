#include "link/ComPortSetup.h"

#include "common/LinkError.h"
#include "link/LineFormat.h"
#include "link/TelnetCodec.h"

namespace {

// Commands from client to server; the server answers each with the code plus 100.
constexpr std::uint8_t SET_BAUDRATE = 1;
constexpr std::uint8_t SET_DATASIZE = 2;
constexpr std::uint8_t SET_PARITY = 3;
constexpr std::uint8_t SET_STOPSIZE = 4;
constexpr std::uint8_t SET_CONTROL = 5;
constexpr std::uint8_t SERVER_ANSWER = 100;

// The line format of LineFormat.h in the option's own codes.
constexpr std::uint32_t BAUD_RATE = LINE_BAUD_RATE;
constexpr std::uint8_t DATA_BITS = LINE_DATA_BITS;
constexpr std::uint8_t PARITY_EVEN = 3;
constexpr std::uint8_t ONE_STOP_BIT = 1;
constexpr std::uint8_t NO_FLOW_CONTROL = 1;
constexpr std::uint8_t HARDWARE_FLOW_CONTROL = 3;
constexpr std::uint8_t DTR_ON = 8;

// Bits of m_answered.
constexpr unsigned ALL = LINE_SETTING_BAUD | LINE_SETTING_SIZE | LINE_SETTING_PARITY |
                         LINE_SETTING_STOP | LINE_SETTING_FLOW;

std::string Request(std::uint8_t command, std::string_view value) {
    std::string payload(1, static_cast<char>(command));
    payload += value;
    return TelnetCodec::Subnegotiate(TelnetCodec::COM_PORT_OPTION, payload);
}

std::string Byte(std::uint8_t value) {
    return std::string(1, static_cast<char>(value));
}

// The baud rate travels as four bytes, most significant first.
std::string BaudRateBytes(std::uint32_t baud) {
    std::string bytes;
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<char>((baud >> shift) & 0xFFU));
    }
    return bytes;
}

} // namespace

std::string ComPortSetup::Requests() {
    return Request(SET_BAUDRATE, BaudRateBytes(BAUD_RATE)) +
           Request(SET_DATASIZE, Byte(DATA_BITS)) + Request(SET_PARITY, Byte(PARITY_EVEN)) +
           Request(SET_STOPSIZE, Byte(ONE_STOP_BIT)) + Request(SET_CONTROL, Byte(NO_FLOW_CONTROL)) +
           Request(SET_CONTROL, Byte(DTR_ON));
}

void ComPortSetup::Take(std::string_view payload) {
    if (payload.size() < 2) {
        return;
    }
    const auto command = static_cast<std::uint8_t>(payload[0]);
    const std::string_view value = payload.substr(1);
    const auto first = static_cast<std::uint8_t>(value[0]);
    switch (command) {
    case SERVER_ANSWER + SET_BAUDRATE:
        Answered(LINE_SETTING_BAUD, value == BaudRateBytes(BAUD_RATE));
        break;
    case SERVER_ANSWER + SET_DATASIZE:
        Answered(LINE_SETTING_SIZE, value.size() == 1 && first == DATA_BITS);
        break;
    case SERVER_ANSWER + SET_PARITY:
        Answered(LINE_SETTING_PARITY, value.size() == 1 && first == PARITY_EVEN);
        break;
    case SERVER_ANSWER + SET_STOPSIZE:
        Answered(LINE_SETTING_STOP, value.size() == 1 && first == ONE_STOP_BIT);
        break;
    case SERVER_ANSWER + SET_CONTROL:
        // The same command also reports DTR, RTS, break and inbound flow states; only the
        // outbound flow control values answer our flow request.
        if (value.size() == 1 && first >= NO_FLOW_CONTROL && first <= HARDWARE_FLOW_CONTROL) {
            Answered(LINE_SETTING_FLOW, first == NO_FLOW_CONTROL);
        }
        break;
    default:
        break;
    }
}

void ComPortSetup::Answered(unsigned request, bool agreed) {
    m_answered |= request;
    m_refused = m_refused || !agreed;
}

ComPortSetup::Outcome ComPortSetup::State() const {
    if (m_refused) {
        return Outcome::Refused;
    }
    return m_answered == ALL ? Outcome::Agreed : Outcome::Waiting;
}

unsigned ComPortSetup::Unconfirmed() const {
    return ALL & ~m_answered;
}
