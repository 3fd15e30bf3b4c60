#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/MarkedByteDecoder.h"

namespace {

using Kind = MarkedByteDecoder::Kind;
using Item = MarkedByteDecoder::Item;

const std::string MARKED("a\377\377b\377\0c\377\0\0\r", 11);
const std::vector<Item> DECODED{{Kind::Character, 'a'}, {Kind::Character, 0xFF},
                                {Kind::Character, 'b'}, {Kind::BadCharacter, 'c'},
                                {Kind::Break, 0},       {Kind::Character, '\r'}};

} // namespace

TEST(MarkedByteDecoder, DecodesEscapedBytesBadCharactersAndBreaks) {
    MarkedByteDecoder decoder;
    std::vector<Item> items;
    decoder.Decode(MARKED, items);
    EXPECT_EQ(items, DECODED);
}

TEST(MarkedByteDecoder, CompletesAMarkerSplitAcrossReads) {
    for (std::size_t split = 0; split <= MARKED.size(); ++split) {
        SCOPED_TRACE(split);
        MarkedByteDecoder decoder;
        std::vector<Item> items;
        decoder.Decode(std::string_view(MARKED).substr(0, split), items);
        decoder.Decode(std::string_view(MARKED).substr(split), items);
        EXPECT_EQ(items, DECODED);
    }
}

TEST(MarkedByteDecoder, PassesOnAnUnpairedMarkAndForgetsItOnReset) {
    MarkedByteDecoder decoder;
    std::vector<Item> items;
    decoder.Decode("\377x", items);
    EXPECT_EQ(items, (std::vector<Item>{{Kind::Character, 0xFF}, {Kind::Character, 'x'}}));

    items.clear();
    decoder.Decode("\377", items);
    decoder.Reset();
    decoder.Decode(std::string("\0y", 2), items);
    EXPECT_EQ(items, (std::vector<Item>{{Kind::Character, 0}, {Kind::Character, 'y'}}));
}
