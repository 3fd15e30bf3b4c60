#include "link/MarkedByteDecoder.h"

namespace {

constexpr unsigned char MARK = 0xFF;

} // namespace

void MarkedByteDecoder::Decode(std::string_view raw, std::vector<Item>& out) {
    for (const char c : raw) {
        const auto byte = static_cast<unsigned char>(c);
        switch (m_state) {
        case State::Plain:
            if (byte == MARK) {
                m_state = State::Marker;
            } else {
                out.push_back({Kind::Character, byte});
            }
            break;
        case State::Marker:
            if (byte == 0) {
                m_state = State::MarkerZero;
                break;
            }
            // "\377\377" is an escaped 0xFF. A lone 0xFF before anything else cannot come from
            // a terminal in marking mode; it is passed on as the byte it is, not swallowed.
            out.push_back({Kind::Character, MARK});
            m_state = State::Plain;
            if (byte != MARK) {
                out.push_back({Kind::Character, byte});
            }
            break;
        case State::MarkerZero:
            out.push_back(byte == 0 ? Item{Kind::Break, 0} : Item{Kind::BadCharacter, byte});
            m_state = State::Plain;
            break;
        }
    }
}
