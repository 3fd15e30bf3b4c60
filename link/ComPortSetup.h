#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The serial line control of RFC 2217 (the telnet COM-PORT-OPTION) as far as a sensor line
// needs it: the requests that put the server's port into 9600 baud 7E1 without flow control
// with DTR raised, and the check of the server's answers.
//
// The DTR request is never waited for: a server whose port has no modem lines (ser2net with
// "local") does not answer it.
class ComPortSetup {
public:
    enum class Outcome : std::uint8_t { Waiting, Agreed, Refused };

    // The sub-negotiations to send once the server has agreed to the option, ready for the wire.
    static std::string Requests();

    // Takes the payload of one COM-PORT-OPTION sub-negotiation from the server. Notifications
    // (line and modem state, flow suspension) and answers that concern no request are ignored.
    void Take(std::string_view payload);
    Outcome State() const;
    // The settings the server has not confirmed yet, one bit each (0 when all are).
    unsigned Unconfirmed() const;

private:
    void Answered(unsigned request, bool agreed);

    unsigned m_answered = 0; // one bit per request below
    bool m_refused = false;
};
