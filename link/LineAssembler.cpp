#include "link/LineAssembler.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char CR = '\r';
constexpr unsigned char LAST_SEVEN_BIT_CHARACTER = 0x7F;
constexpr char DAMAGED_PLACE = '\0';

} // namespace

void LineAssembler::Add(char character) {
    if (m_skippingToLineEnd) {
        m_skippingToLineEnd = character != CR;
        return;
    }
    m_pending.push_back(character);
}

void LineAssembler::AddWireByte(unsigned char byte) {
    if (byte <= LAST_SEVEN_BIT_CHARACTER) {
        Add(static_cast<char>(byte));
    } else {
        AddDamaged();
    }
}

void LineAssembler::AddDamaged() {
    MarkLineError();
    Add(DAMAGED_PLACE);
}

void LineAssembler::MarkLineError() {
    const bool marked = !m_errorOffsets.empty() && m_errorOffsets.back() == m_pending.size();
    if (!m_skippingToLineEnd && !marked) {
        m_errorOffsets.push_back(m_pending.size());
    }
}

LineAssembler::Result LineAssembler::Take(char* buffer, std::uint32_t capacity,
                                          std::uint32_t& length) {
    length = 0;
    buffer[0] = '\0';
    const std::size_t reach = std::min<std::size_t>(m_pending.size(), capacity);
    const std::size_t lastCr = reach == 0 ? std::string::npos : m_pending.rfind(CR, reach - 1);
    if (lastCr != std::string::npos) {
        length = CopyOut(buffer, static_cast<std::uint32_t>(lastCr + 1));
        if (length >= 2) {
            buffer[length - 1] = '\0';
        }
        return Consume(length) ? Result::Damaged : Result::Line;
    }
    if (m_pending.empty() || m_pending.size() < capacity) {
        return Result::Incomplete;
    }
    // capacity characters without a CR: even if the CR comes next, the line cannot fit.
    length = CopyOut(buffer, capacity);
    Consume(length);
    SkipRestOfLine();
    return Result::Overlong;
}

void LineAssembler::Clear() {
    m_pending.clear();
    m_errorOffsets.clear();
    m_skippingToLineEnd = false;
}

std::uint32_t LineAssembler::CopyOut(char* buffer, std::uint32_t count) {
    std::memcpy(buffer, m_pending.data(), count);
    buffer[count] = '\0';
    return count;
}

bool LineAssembler::Consume(std::size_t count) {
    m_pending.erase(0, count);
    const auto consumed = [count](std::size_t offset) { return offset < count; };
    const bool damaged = std::any_of(m_errorOffsets.begin(), m_errorOffsets.end(), consumed);
    std::erase_if(m_errorOffsets, consumed);
    for (std::size_t& offset : m_errorOffsets) {
        offset -= count;
    }
    return damaged;
}

void LineAssembler::SkipRestOfLine() {
    const std::size_t cr = m_pending.find(CR);
    if (cr == std::string::npos) {
        // Everything pending, damage marks included, belongs to the line being discarded.
        m_pending.clear();
        m_errorOffsets.clear();
        m_skippingToLineEnd = true;
    } else {
        Consume(cr + 1);
    }
}
