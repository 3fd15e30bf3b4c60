#include "sim/LinePacer.h"

#include <gtest/gtest.h>

using std::chrono::milliseconds;

namespace {
const SimClock::time_point T0 = SimClock::time_point() + std::chrono::hours(1);
}

TEST(LinePacer, ACommandArrivesOnlyAfterItsCharactersTime) {
    LinePacer pacer(milliseconds(1), milliseconds(2));
    ReceivedCommand command;
    pacer.Receive("!d\r!s\r", T0);
    EXPECT_FALSE(pacer.TakeCommand(T0 + milliseconds(2), command));
    ASSERT_TRUE(pacer.TakeCommand(T0 + milliseconds(3), command));
    EXPECT_EQ("!d", command.Text);
    EXPECT_EQ(T0 + milliseconds(3), command.ReceivedAt);
    // The second command's characters follow the first's on the line.
    EXPECT_EQ(T0 + milliseconds(6), pacer.NextCommandDue());
    ASSERT_TRUE(pacer.TakeCommand(T0 + milliseconds(6), command));
    EXPECT_EQ("!s", command.Text);

    // A host that writes slower than the line: the command ends with its CR.
    pacer.Receive("!c", T0 + milliseconds(100));
    pacer.Receive(",0\r", T0 + milliseconds(150));
    ASSERT_TRUE(pacer.TakeCommand(T0 + milliseconds(150), command));
    EXPECT_EQ("!c,0", command.Text);
    EXPECT_EQ(T0 + milliseconds(150), command.ReceivedAt);

    pacer.Receive(std::string(1000, 'x') + "\r", T0 + milliseconds(200));
    ASSERT_TRUE(pacer.TakeCommand(T0 + milliseconds(2000), command));
    EXPECT_EQ(LinePacer::MAX_COMMAND_LENGTH + 1, command.Text.size());
}

TEST(LinePacer, AReplyEndsAfterTurnaroundAndItsCharactersAndQueuesBehindTheLast) {
    LinePacer pacer(milliseconds(1), milliseconds(2));
    ASSERT_TRUE(pacer.QueueLine(T0, "!v,001,00D\r", true));
    EXPECT_EQ(T0 + milliseconds(13), pacer.NextOutputDue());
    EXPECT_EQ(nullptr, pacer.DueOutput(T0 + milliseconds(12)));
    ASSERT_NE(nullptr, pacer.DueOutput(T0 + milliseconds(13)));

    // Received meanwhile: starts when the line is free, not a turnaround after its command.
    ASSERT_TRUE(pacer.QueueLine(T0 + milliseconds(5), "!S\r", true));
    // Partial writes finish a reply only with its last byte.
    EXPECT_FALSE(pacer.Consume(4));
    EXPECT_EQ("01,00D\r", pacer.DueOutput(T0 + milliseconds(13))->Bytes);
    EXPECT_TRUE(pacer.Consume(7));
    EXPECT_EQ(T0 + milliseconds(16), pacer.NextOutputDue());
    EXPECT_TRUE(pacer.Consume(3));
    EXPECT_FALSE(pacer.NextOutputDue());

    // Split: the first half, a gap, then the rest with the CR.
    ASSERT_TRUE(pacer.QueueLine(T0 + milliseconds(100), "!d,0000\r", true, milliseconds(20)));
    const OutputChunk* first = pacer.DueOutput(T0 + milliseconds(106));
    ASSERT_NE(nullptr, first);
    EXPECT_EQ("!d,0", first->Bytes);
    EXPECT_FALSE(first->EndsReply);
    EXPECT_FALSE(pacer.Consume(4));
    EXPECT_EQ(T0 + milliseconds(130), pacer.NextOutputDue());
    EXPECT_TRUE(pacer.Consume(4));
}

TEST(LinePacer, UnpacedLineAnswersAtOnceAndOutputIsBounded) {
    LinePacer pacer(SimClock::duration::zero(), SimClock::duration::zero());
    ReceivedCommand command;
    pacer.Receive("!i\r", T0);
    ASSERT_TRUE(pacer.TakeCommand(T0, command));
    ASSERT_TRUE(pacer.QueueLine(command.ReceivedAt, "!i,6,SIM0000000000001\r", true));
    EXPECT_EQ(T0, pacer.NextOutputDue());

    const std::string reply(1000, 'r');
    std::size_t queued = 0;
    while (pacer.QueueLine(T0, reply, true)) {
        queued += reply.size();
    }
    EXPECT_LE(queued, LinePacer::MAX_QUEUED_OUTPUT);
    EXPECT_GT(queued, LinePacer::MAX_QUEUED_OUTPUT - 2 * reply.size());

    pacer.Receive("!d", T0);
    pacer.Clear();
    pacer.Receive("\r", T0);
    ASSERT_TRUE(pacer.TakeCommand(T0, command));
    EXPECT_EQ("", command.Text) << "a hang-up loses the half-received command";
    EXPECT_FALSE(pacer.NextOutputDue());
}
