#include <QList>
#include <gtest/gtest.h>
#include <signal.h>

#include "GuiSupport.h"
#include "panel/qt/ShutdownSignals.h"

// A closed terminal or a logged-out session (SIGHUP) ends the window as Ctrl+C and SIGTERM do:
// through the normal close, not by the default action that loses the preferences.
TEST(ShutdownSignals, HangUpInterruptAndTerminateAskForTheNormalClose) {
    CShutdownSignals shutdownSignals;
    ASSERT_TRUE(shutdownSignals.Install());
    QList<int> requested;
    QObject::connect(&shutdownSignals, &CShutdownSignals::Requested,
                     [&](int number) { requested << number; });
    for (const int number : {SIGHUP, SIGINT, SIGTERM}) {
        struct sigaction current {};
        ::sigaction(number, nullptr, &current);
        // Raised with the default action, the signal would end this test program.
        ASSERT_NE(current.sa_handler, SIG_DFL) << "signal " << number;
        ::raise(number);
    }
    EXPECT_TRUE(WaitForEvents([&] { return requested.size() == 3; }));
    EXPECT_EQ(requested, (QList<int>{SIGHUP, SIGINT, SIGTERM}));
}
