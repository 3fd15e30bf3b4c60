#include <gtest/gtest.h>

#include <string>

#include "panel/ControllerCalls.h"
#include "sensor/NotifyTarget.h"

// A box opened by a running call lets readings through at once; actions and every other
// notification wait, in their order, until the outermost call has returned.
TEST(ControllerCalls, OnlyReadingsRunInsideAnotherCallTheRestFollowInOrder) {
    CControllerCalls calls;
    std::string log;
    const auto note = [&](const std::string& what) { return [&log, what] { log += what; }; };

    calls.Action(note("early "));
    EXPECT_EQ(log, "") << "nothing runs before the controller is started";
    calls.Start(note("start "));
    EXPECT_EQ(log, "start early ");

    log.clear();
    calls.Action([&] {
        log += "box(";
        calls.Notification(WM_SENSOR_TIMEOUT, note("lost "));
        calls.Action(note("click "));
        calls.Notification(WM_SENSOR_DATA, [&] {
            log += "reading(";
            // A box of the reading's own: the next reading waits, and only once.
            calls.Notification(WM_SENSOR_DATA, note("reading2 "));
            calls.Notification(WM_SENSOR_DATA, note("reading3 "));
            log += ") ";
        });
        EXPECT_EQ(calls.Waiting(), 3u);
        log += ") ";
    });
    EXPECT_EQ(log, "box(reading() ) lost click reading2 ");
    EXPECT_FALSE(calls.IsRunning());
}

// A window that is closing holds back what waits; its shut-down runs all the same.
TEST(ControllerCalls, HeldCallsWaitUntilForgottenAndShutDownRunsAnyway) {
    bool closing = false;
    CControllerCalls calls([&] { return !closing; });
    std::string log;
    calls.Start([] {});
    calls.Action([&] {
        calls.Action([&] { log += "after "; });
        closing = true;
    });
    EXPECT_EQ(log, "");
    EXPECT_EQ(calls.Waiting(), 1u);
    calls.Forget();
    calls.RunNow([&] { log += "close "; });
    EXPECT_EQ(log, "close ");
}
