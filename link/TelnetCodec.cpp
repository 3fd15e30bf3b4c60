#include "link/TelnetCodec.h"

namespace {

constexpr char CR = '\r';

void Append(std::string& out, std::uint8_t byte) {
    out.push_back(static_cast<char>(byte));
}

void AppendEscaped(std::string& out, std::uint8_t byte) {
    if (byte == TelnetCodec::IAC) {
        Append(out, TelnetCodec::IAC);
    }
    Append(out, byte);
}

} // namespace

void TelnetCodec::Input::Clear() {
    data.clear();
    replies.clear();
    subnegotiations.clear();
}

TelnetCodec::TelnetCodec(bool comPortControl) : m_comPortControl(comPortControl) {
}

std::string TelnetCodec::Start() {
    std::string out;
    Ask(out, WILL, BINARY);
    Ask(out, DO, BINARY);
    Ask(out, WILL, SUPPRESS_GO_AHEAD);
    Ask(out, DO, SUPPRESS_GO_AHEAD);
    if (m_comPortControl) {
        Ask(out, WILL, COM_PORT_OPTION);
    }
    return out;
}

void TelnetCodec::Ask(std::string& out, std::uint8_t verb, std::uint8_t option) {
    Side& side = verb == WILL ? m_local[option] : m_remote[option];
    side.asked = true;
    Append(out, IAC);
    Append(out, verb);
    Append(out, option);
}

void TelnetCodec::Receive(std::string_view bytes, Input& input) {
    for (const char character : bytes) {
        const auto byte = static_cast<std::uint8_t>(character);
        switch (m_state) {
        case State::Data:
            if (byte == IAC) {
                m_state = State::Command;
            } else {
                TakeData(byte, input);
            }
            break;
        case State::Command:
            TakeCommand(byte, input);
            break;
        case State::Verb:
            m_state = State::Data;
            Negotiate(m_verb, byte, input.replies);
            break;
        case State::SubOption:
            m_sub = {byte, {}};
            m_subOverflow = false;
            m_state = State::Sub;
            break;
        case State::Sub:
        case State::SubCommand:
            TakeSub(byte, input);
            break;
        }
    }
}

void TelnetCodec::TakeData(std::uint8_t byte, Input& input) {
    // Outside binary mode a bare CR travels as CR NUL; the NUL is no character of the line.
    if (!m_remote[BINARY].enabled && m_afterCr && byte == 0) {
        m_afterCr = false;
        return;
    }
    m_afterCr = byte == CR;
    Append(input.data, byte);
}

void TelnetCodec::TakeCommand(std::uint8_t byte, Input& input) {
    m_state = State::Data;
    switch (byte) {
    case IAC:
        TakeData(byte, input);
        break;
    case WILL:
    case WONT:
    case DO:
    case DONT:
        m_verb = byte;
        m_state = State::Verb;
        break;
    case SB:
        m_state = State::SubOption;
        break;
    default:
        // NOP, go-ahead, break, data mark and the like carry nothing for a sensor line.
        break;
    }
}

void TelnetCodec::TakeSub(std::uint8_t byte, Input& input) {
    if (m_state == State::Sub) {
        if (byte == IAC) {
            m_state = State::SubCommand;
        } else {
            Collect(byte);
        }
        return;
    }
    if (byte == IAC) {
        m_state = State::Sub;
        Collect(byte);
        return;
    }
    // IAC SE ends it; any other command ends it too (the server left out the SE) and is taken
    // as the command it is.
    EndSub(input);
    if (byte != SE) {
        TakeCommand(byte, input);
    }
}

void TelnetCodec::Collect(std::uint8_t byte) {
    if (m_sub.payload.size() < MAX_SUBNEGOTIATION) {
        Append(m_sub.payload, byte);
    } else {
        m_subOverflow = true;
    }
}

void TelnetCodec::EndSub(Input& input) {
    m_state = State::Data;
    // A truncated sub-negotiation could read as a different request; it is dropped whole.
    if (!m_subOverflow) {
        input.subnegotiations.push_back(std::move(m_sub));
    }
    m_sub = {};
}

bool TelnetCodec::Accepts(bool local, std::uint8_t option) const {
    return option == BINARY || option == SUPPRESS_GO_AHEAD ||
           (local && m_comPortControl && option == COM_PORT_OPTION);
}

void TelnetCodec::Negotiate(std::uint8_t verb, std::uint8_t option, std::string& replies) {
    const bool local = verb == DO || verb == DONT; // the server asks about our side
    const bool wantsOn = verb == DO || verb == WILL;
    Side& side = local ? m_local[option] : m_remote[option];
    const std::uint8_t yes = local ? WILL : DO;
    const std::uint8_t no = local ? WONT : DONT;
    const bool answersUs = side.asked;
    side.asked = false;
    if (wantsOn) {
        if (side.enabled) {
            return;
        }
        if (!Accepts(local, option)) {
            Append(replies, IAC);
            Append(replies, no);
            Append(replies, option);
            return;
        }
        side.enabled = true;
        side.refused = false;
        if (!answersUs) {
            Append(replies, IAC);
            Append(replies, yes);
            Append(replies, option);
        }
        return;
    }
    if (answersUs) {
        side.refused = true;
    }
    if (side.enabled) {
        side.enabled = false;
        Append(replies, IAC);
        Append(replies, no);
        Append(replies, option);
    }
}

std::string TelnetCodec::Encode(std::string_view data, bool binary) {
    std::string wire;
    wire.reserve(data.size() + 2);
    for (const char character : data) {
        AppendEscaped(wire, static_cast<std::uint8_t>(character));
        if (character == CR && !binary) {
            Append(wire, 0);
        }
    }
    return wire;
}

std::string TelnetCodec::Subnegotiate(std::uint8_t option, std::string_view payload) {
    std::string wire;
    Append(wire, IAC);
    Append(wire, SB);
    Append(wire, option);
    for (const char character : payload) {
        AppendEscaped(wire, static_cast<std::uint8_t>(character));
    }
    Append(wire, IAC);
    Append(wire, SE);
    return wire;
}
