#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Decodes what a terminal set to INPCK|PARMRK (without ISTRIP) delivers: "\377\0c" is the
// character c received with a parity or framing error, "\377\0\0" a break, "\377\377" a data
// byte 0xFF, and every other byte itself. A marker split across two reads is completed by the
// next call, so the decoder keeps its place between calls.
class MarkedByteDecoder {
public:
    enum class Kind : std::uint8_t { Character, BadCharacter, Break };
    struct Item {
        Kind kind;
        unsigned char value; // the character for Character and BadCharacter, 0 for Break
        bool operator==(const Item&) const = default;
    };

    // Appends the items decoded from raw to out.
    void Decode(std::string_view raw, std::vector<Item>& out);
    // Forgets a marker left incomplete by the last call.
    void Reset() { m_state = State::Plain; }

private:
    enum class State : std::uint8_t { Plain, Marker, MarkerZero };
    State m_state = State::Plain;
};
