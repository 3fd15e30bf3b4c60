#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/LineAssembler.h"

namespace {

struct Handover {
    LineAssembler::Result result;
    std::string bytes; // as handed over, the zero byte behind them included
};

void AddText(LineAssembler& lines, const std::string& text) {
    for (const char c : text) {
        lines.Add(c);
    }
}

// The buffer is exactly capacity + 1 bytes, so the sanitizers see any byte written past it.
Handover Take(LineAssembler& lines, std::uint32_t capacity) {
    std::vector<char> buffer(capacity + 1, '\x55');
    std::uint32_t length = 0;
    const LineAssembler::Result result = lines.Take(buffer.data(), capacity, length);
    return {result, std::string(buffer.data(), length + 1)};
}

using Result = LineAssembler::Result;

} // namespace

TEST(LineAssembler, HandsOverWhatFitsUpToTheLastCrWithinReach) {
    LineAssembler lines;
    AddText(lines, "12345678901234\r"); // 15 bytes with the CR
    AddText(lines, "a\rb\r");
    const Handover fitting = Take(lines, 16);
    EXPECT_EQ(fitting.result, Result::Line);
    EXPECT_EQ(fitting.bytes, std::string("12345678901234\0\0", 16)) << "b\\r lies beyond reach";

    const Handover rest = Take(lines, 16);
    EXPECT_EQ(rest.result, Result::Line);
    EXPECT_EQ(rest.bytes, std::string("a\rb\0\0", 5));
    EXPECT_EQ(Take(lines, 16).result, Result::Incomplete);
}

TEST(LineAssembler, ALineExactlyFillingTheBufferFitsAndOneMoreByteDoesNot) {
    LineAssembler lines;
    AddText(lines, std::string(15, 'f') + "\r");
    EXPECT_EQ(Take(lines, 16).result, Result::Line);

    AddText(lines, std::string(16, 'o'));
    const Handover overlong = Take(lines, 16);
    EXPECT_EQ(overlong.result, Result::Overlong) << "its CR can no longer fit";
    EXPECT_EQ(overlong.bytes, std::string(16, 'o') + '\0');

    // The rest of that line, however it arrives, is dropped with its CR.
    AddText(lines, "ooo");
    EXPECT_EQ(Take(lines, 16).result, Result::Incomplete);
    AddText(lines, "o\rnext\r");
    EXPECT_EQ(Take(lines, 16).bytes, std::string("next\0\0", 6));
}

TEST(LineAssembler, ADamageMarkFailsOnlyTheLineItBelongsTo) {
    LineAssembler lines;
    AddText(lines, "ok\r");
    lines.MarkLineError(); // at the start of the following line
    AddText(lines, "bad\rlater");
    EXPECT_EQ(Take(lines, 3).result, Result::Line);
    EXPECT_EQ(Take(lines, 16).result, Result::Damaged);
    AddText(lines, "\r");
    EXPECT_EQ(Take(lines, 16).result, Result::Line);

    // A mark inside an overlong run goes with the run.
    AddText(lines, "xx");
    lines.MarkLineError();
    AddText(lines, "xxxx");
    EXPECT_EQ(Take(lines, 4).result, Result::Overlong);
    AddText(lines, "\rfine\r");
    EXPECT_EQ(Take(lines, 16).result, Result::Line);
}

TEST(LineAssembler, DamagedCharactersCountTowardsTheLengthOfTheirLine) {
    LineAssembler lines;
    for (int i = 0; i < 16; ++i) {
        lines.AddWireByte(0x80);
    }
    const Handover flood = Take(lines, 16);
    EXPECT_EQ(flood.result, Result::Overlong) << "a flood without CR must end as a failure";
    EXPECT_EQ(flood.bytes, std::string(17, '\0')) << "no damaged byte enters the text";

    // However long the flood goes on, nothing of it is kept, and the next line comes whole.
    for (int i = 0; i < 100000; ++i) {
        lines.AddWireByte(static_cast<unsigned char>(0x80 + i % 0x80));
        lines.MarkLineError();
    }
    EXPECT_EQ(Take(lines, 16).result, Result::Incomplete);
    AddText(lines, "\rok\r");
    EXPECT_EQ(Take(lines, 16).bytes, std::string("ok\0\0", 4));

    // Marks without characters (breaks) fail the one line they come before.
    for (int i = 0; i < 100000; ++i) {
        lines.MarkLineError();
    }
    AddText(lines, "ab\rcd\r");
    EXPECT_EQ(Take(lines, 3).result, Result::Damaged);
    EXPECT_EQ(Take(lines, 3).result, Result::Line);
}
