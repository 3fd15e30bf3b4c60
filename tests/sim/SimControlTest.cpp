#include "sim/SimControl.h"

#include <gtest/gtest.h>

#include "sim/VirtualSensor.h"

TEST(SimControl, ControlLinesChangeTheRunningSensor) {
    VirtualSensor sensor;
    std::string output;
    EXPECT_EQ(ControlResult::Done, RunControlLine("serial NEW0000000000099", sensor, output));
    EXPECT_EQ("NEW0000000000099", sensor.Identity().SerialNumber);
    EXPECT_EQ(ControlResult::Done, RunControlLine("  model 15 ", sensor, output));
    EXPECT_EQ(15u, sensor.Identity().ModelCode);
    EXPECT_EQ(ControlResult::Done, RunControlLine("drop 0.5", sensor, output));
    EXPECT_EQ(ControlResult::Done, RunControlLine("error 1", sensor, output));
    EXPECT_EQ(ControlResult::Done, RunControlLine("split on", sensor, output));
    EXPECT_EQ(ControlResult::Done, RunControlLine("join on", sensor, output));
    EXPECT_EQ(ControlResult::Done, RunControlLine("garbage on", sensor, output));
    SimFaults faults = sensor.Faults();
    EXPECT_DOUBLE_EQ(0.5, faults.DropReplyProbability);
    EXPECT_DOUBLE_EQ(1.0, faults.ErrorReplyProbability);
    EXPECT_TRUE(faults.SplitReply);
    EXPECT_TRUE(faults.JoinReplies);
    EXPECT_TRUE(faults.GarbageLine);
    EXPECT_EQ(ControlResult::Done, RunControlLine("join off", sensor, output));
    EXPECT_FALSE(sensor.Faults().JoinReplies);

    EXPECT_EQ(ControlResult::Done, RunControlLine("target 12.5 50 100", sensor, output));
    EXPECT_EQ(ControlResult::Done, RunControlLine("silent on", sensor, output));
    EXPECT_EQ(ControlResult::Done, RunControlLine("state", sensor, output));
    EXPECT_NE(std::string::npos, output.find("target 12.5 50.0 100.0 %")) << output;
    EXPECT_NE(std::string::npos, output.find("silent")) << output;
    EXPECT_NE(std::string::npos, output.find("channel 15:")) << output;
    EXPECT_NE(std::string::npos, output.find("drop 0.50")) << output;

    EXPECT_EQ(ControlResult::Done, RunControlLine("", sensor, output));
    EXPECT_EQ(ControlResult::Done, RunControlLine("help", sensor, output));
    EXPECT_NE(std::string::npos, output.find("hangup [MS]"));
    EXPECT_EQ(ControlResult::Quit, RunControlLine("quit", sensor, output));
}

TEST(SimControl, RejectsMalformedLinesWithoutChangingAnything) {
    VirtualSensor sensor;
    const SimFaults before = sensor.Faults();
    const char* rejected[] = {
        "frobnicate",   "drop 2",       "drop -0.1",      "drop",         "error 0,5",
        "split maybe",  "join",         "garbage twice",  "model 16",     "model six",
        "serial SHORT", "target 10 20", "target 1 2 300", "silent maybe", "hangup soon",
        "hangup 10 20", "replug now",   "state please",
    };
    for (const char* line : rejected) {
        std::string output;
        EXPECT_EQ(ControlResult::Rejected, RunControlLine(line, sensor, output)) << line;
        EXPECT_FALSE(output.empty()) << line;
    }
    EXPECT_EQ(6u, sensor.Identity().ModelCode);
    EXPECT_EQ(before.DropReplyProbability, sensor.Faults().DropReplyProbability);
    EXPECT_EQ(before.SplitReply, sensor.Faults().SplitReply);
}
