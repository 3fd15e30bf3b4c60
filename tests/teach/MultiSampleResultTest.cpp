#include <gtest/gtest.h>

#include "teach/MultiSampleResult.h"

namespace {

TEST(MultiSampleResult, MarginIsATenthOfTheSpreadButAtLeast65Counts) {
    EXPECT_EQ(SampleMargin(0), 65);
    EXPECT_EQ(SampleMargin(600), 65);
    EXPECT_EQ(SampleMargin(660), 66);
    EXPECT_EQ(SampleMargin(2000), 200);
    EXPECT_EQ(SampleMargin(65472), 6547);
}

// The worked rows: raw lower bounds of the samples to result colour and tolerance in percent.
TEST(MultiSampleResult, WorkedRows) {
    struct Row {
        std::vector<int> Samples;
        double Color, Tolerance;
    };
    for (const Row& row : std::vector<Row>{{{13094}, 19.99939, 0.5},
                                           {{20000, 20600}, 31.00562, 1.79803},
                                           {{20000, 22000}, 32.07478, 5.71429},
                                           {{300, 1000}, 0.99279, 64.615},
                                           {{0}, 0.0, 0.5}}) {
        const SampleResult result = ResultOfSamples(row.Samples);
        EXPECT_NEAR(result.Color, row.Color, 5e-6) << row.Samples.front();
        EXPECT_NEAR(result.Tolerance, row.Tolerance, 5e-4) << row.Samples.front();
    }
    EXPECT_NEAR(ResultOfSamples({13094, 13094}).Color, 19.99939, 5e-6) << "a repeated sample";
}

} // namespace
