#include <gtest/gtest.h>

#include "link/PortMap.h"

TEST(PortMap, NamesComOneToSixteenOnly) {
    EXPECT_EQ(PortNumber("COM1"), 1);
    EXPECT_EQ(PortNumber("COM16"), 16);
    EXPECT_EQ(PortNumber("COM01"), 1);
    for (const char* other :
         {"COM0", "COM17", "COM", "com1", "COM1x", "COM+1", "COM-1", "COM001", "/dev/ttyS0", ""}) {
        EXPECT_EQ(PortNumber(other), 0) << other;
    }
}

TEST(PortMap, MapsNamesToDevicePaths) {
    PortMap map;
    EXPECT_EQ(map.DevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(map.DevicePath("COM16"), "/dev/ttyS15");
    EXPECT_EQ(map.DevicePath("/tmp/spectrel-sim"), "/tmp/spectrel-sim");
    EXPECT_EQ(map.DevicePath("ttyUSB0"), "/dev/ttyUSB0");

    map.Set("COM3", "/dev/ttyUSB0");
    EXPECT_EQ(map.DevicePath("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(map.DevicePath("COM03"), "/dev/ttyUSB0") << "the same port";
    EXPECT_EQ(map.DevicePath("COM4"), "/dev/ttyS3");
}

TEST(PortMap, TakesCommandLineAssignments) {
    PortMap map;
    EXPECT_TRUE(map.SetFromAssignment("COM2=/dev/pts/7"));
    EXPECT_EQ(map.DevicePath("COM2"), "/dev/pts/7");
    EXPECT_TRUE(map.SetFromAssignment("COM2=/dev/ttyACM0")) << "a later one wins";
    EXPECT_EQ(map.DevicePath("COM2"), "/dev/ttyACM0");
    EXPECT_TRUE(map.SetFromAssignment("COM5=/tmp/a=b"));
    EXPECT_EQ(map.DevicePath("COM5"), "/tmp/a=b");

    for (const char* bad : {"COM2", "COM2=", "=/dev/ttyS1", "COM17=/dev/ttyS1", "ttyS1=/dev/x"}) {
        EXPECT_FALSE(map.SetFromAssignment(bad)) << bad;
    }
    EXPECT_EQ(map.Entries().size(), 2u);
}
