#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The telnet layer of a remote serial line: takes the server's bytes apart into line data,
// option negotiation and sub-negotiations, and wraps our data for the wire.
//
// Options are negotiated so that no request is ever answered twice: a request that only
// confirms the state in effect (or that answers our own request) gets no reply. We take part
// in binary transmission, suppress-go-ahead and, when asked to, the serial line control of
// RFC 2217 (COM-PORT-OPTION); every other option is refused politely. Sub-negotiations are
// collected whole (bounded in size) and handed to the caller, which ignores what it does not
// know, line-state notifications among them.
class TelnetCodec {
public:
    static constexpr std::uint8_t IAC = 255;
    static constexpr std::uint8_t DONT = 254;
    static constexpr std::uint8_t DO = 253;
    static constexpr std::uint8_t WONT = 252;
    static constexpr std::uint8_t WILL = 251;
    static constexpr std::uint8_t SB = 250;
    static constexpr std::uint8_t SE = 240;

    static constexpr std::uint8_t BINARY = 0;
    static constexpr std::uint8_t SUPPRESS_GO_AHEAD = 3;
    static constexpr std::uint8_t COM_PORT_OPTION = 44;

    // The longest sub-negotiation kept; a longer one is dropped whole, so a server that never
    // ends one cannot make us collect without bound.
    static constexpr std::size_t MAX_SUBNEGOTIATION = 64;

    struct Subnegotiation {
        std::uint8_t option;
        std::string payload; // IAC doubling undone
    };

    // What one batch of server bytes came to.
    struct Input {
        std::string data;    // line characters
        std::string replies; // negotiation answers to send back, ready for the wire
        std::vector<Subnegotiation> subnegotiations;
        void Clear();
    };

    // comPortControl: whether we offer COM-PORT-OPTION (an rfc2217:// line).
    explicit TelnetCodec(bool comPortControl);

    // Our opening requests, ready for the wire.
    std::string Start();
    void Receive(std::string_view bytes, Input& input);
    // Line data as it goes on the wire: IAC doubled and, outside binary mode, CR as CR NUL.
    // Static, so that writers on other threads never read the state the receiving side keeps.
    static std::string Encode(std::string_view data, bool binary);
    // A sub-negotiation of ours, ready for the wire.
    static std::string Subnegotiate(std::uint8_t option, std::string_view payload);

    bool WeDo(std::uint8_t option) const { return m_local[option].enabled; }
    // The server has answered our offer of the option with a refusal.
    bool RefusedByServer(std::uint8_t option) const { return m_local[option].refused; }

private:
    enum class State : std::uint8_t { Data, Command, Verb, SubOption, Sub, SubCommand };

    // One side's view of one option.
    struct Side {
        bool enabled = false;
        bool asked = false;   // we requested a change and wait for the answer
        bool refused = false; // our offer was turned down
    };

    void TakeData(std::uint8_t byte, Input& input);
    void TakeCommand(std::uint8_t byte, Input& input);
    void TakeSub(std::uint8_t byte, Input& input);
    void Negotiate(std::uint8_t verb, std::uint8_t option, std::string& replies);
    void Ask(std::string& out, std::uint8_t verb, std::uint8_t option);
    void EndSub(Input& input);
    void Collect(std::uint8_t byte);
    bool Accepts(bool local, std::uint8_t option) const;

    bool m_comPortControl;
    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    bool m_afterCr = false; // the last data byte was a CR, outside binary mode
    bool m_subOverflow = false;
    Subnegotiation m_sub{};
    std::array<Side, 256> m_local{};  // options we perform (WILL/WONT from us)
    std::array<Side, 256> m_remote{}; // options the server performs
};
