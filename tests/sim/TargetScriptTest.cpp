#include "sim/TargetScript.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "sensor/SensorRecords.h"
#include "sim/ColourModel.h"

TEST(TargetScript, ReadsStepsAndSkipsCommentsAndBlankLines) {
    std::vector<SimTargetStep> steps;
    std::string error;
    ASSERT_TRUE(ParseTargetScript("# seconds red green blue\n"
                                  "1.5 10 20 30\r\n"
                                  "\n"
                                  "   2\t100 0 0.25   \n"
                                  "0.001 0 0 0",
                                  steps, error))
        << error;
    ASSERT_EQ(3u, steps.size());
    EXPECT_DOUBLE_EQ(1.5, steps[0].Seconds);
    EXPECT_DOUBLE_EQ(30.0, steps[0].Blue);
    EXPECT_DOUBLE_EQ(100.0, steps[1].Red);
    EXPECT_DOUBLE_EQ(0.25, steps[1].Blue);
    EXPECT_DOUBLE_EQ(0.001, steps[2].Seconds);
}

TEST(TargetScript, NamesTheLineAndTheProblemOfABadScript) {
    const struct {
        const char* Text;
        const char* Error;
    } cases[] = {
        {"1 10 20\n", "line 1: expected 4 numbers (seconds red green blue), found 3 fields"},
        {"1 10 20 30\n2 10 20 30 40\n", "line 2: expected 4 numbers"},
        {"# header\n1 10 2O 30\n", "line 2: '2O' is not a number"},
        {"1 10,5 20 30\n", "line 1: '10,5' is not a number"},
        {"0 10 20 30\n", "line 1: the duration must be above 0 seconds"},
        {"-1 10 20 30\n", "line 1: the duration must be above 0 seconds"},
        {"1 10 20 100.5\n", "line 1: colour 100.5 lies outside 0 to 100 percent"},
        {"1 nan 20 30\n", "line 1: 'nan' is not a number"},
        {"# nothing\n\n", "the script holds no step"},
    };
    for (const auto& c : cases) {
        std::vector<SimTargetStep> steps = {{1.0, 1.0, 2.0, 3.0}};
        std::string error;
        EXPECT_FALSE(ParseTargetScript(c.Text, steps, error)) << c.Text;
        EXPECT_EQ(0u, error.find(c.Error)) << error;
        EXPECT_EQ(1u, steps.size()) << "a failed parse keeps the old steps";
    }
    std::vector<SimTargetStep> steps;
    std::string error;
    EXPECT_FALSE(LoadTargetScript("/nonexistent/target.script", steps, error));
    EXPECT_NE(std::string::npos, error.find("/nonexistent/target.script")) << error;
}

TEST(ColourModel, FollowsTheScriptInALoopAndHoldsTheTargetOtherwise) {
    SimConfig config;
    config.Script = {{1.0, 10.0, 20.0, 30.0}, {2.0, 100.0, 50.0, 0.0}};
    ColourModel model(config);
    EXPECT_DOUBLE_EQ(10.0, model.TargetAt(0.0).Red);
    EXPECT_DOUBLE_EQ(10.0, model.TargetAt(0.99).Red);
    EXPECT_DOUBLE_EQ(100.0, model.TargetAt(1.0).Red);
    EXPECT_DOUBLE_EQ(100.0, model.TargetAt(2.9).Red);
    EXPECT_DOUBLE_EQ(10.0, model.TargetAt(3.5).Red);
    EXPECT_DOUBLE_EQ(100.0, model.TargetAt(3004.5).Red);
    EXPECT_EQ((RawColour{RAW_FULL_SCALE, 32736, 0}), model.Measure(1.5, 0));

    model.SetTarget(40.0, 30.0, 20.0);
    EXPECT_FALSE(model.FollowsScript());
    EXPECT_DOUBLE_EQ(40.0, model.TargetAt(1.5).Red);

    // A script that cannot advance holds its first step instead of spinning.
    model.SetScript({{0.0, 5.0, 5.0, 5.0}, {0.0, 9.0, 9.0, 9.0}});
    EXPECT_DOUBLE_EQ(5.0, model.TargetAt(12.0).Red);
}

TEST(ColourModel, PercentToRawRoundsAndClampsToTheRawScale) {
    EXPECT_EQ(0u, PercentToRaw(-3.0));
    EXPECT_EQ(0u, PercentToRaw(0.0007)); // below half a count
    EXPECT_EQ(1u, PercentToRaw(0.0008));
    EXPECT_EQ(32736u, PercentToRaw(50.0));
    EXPECT_EQ(RAW_FULL_SCALE, PercentToRaw(100.0));
    EXPECT_EQ(RAW_FULL_SCALE, PercentToRaw(250.0)); // noise never overflows a field
}
