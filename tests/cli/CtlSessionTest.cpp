// One conversation of spectrelctl with the virtual sensor, step by step.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "cli/CtlSession.h"
#include "sim/SensorResponder.h"
#include "support/Deadline.h"
#include "support/ManualClock.h"
#include "support/SimulatedSensor.h"

using namespace std::chrono_literals;

namespace {

class CtlSessionTest : public ::testing::Test {
protected:
    // In virtual time the session's proxy runs on `m_clock`, which the test moves on.
    explicit CtlSessionTest(bool virtualTime = false)
        : m_session(m_sim.Path(), m_stop, virtualTime ? &m_clock : nullptr) {}

    void SetUp() override {
        ASSERT_TRUE(m_sim.Started()) << m_sim.Problem();
        ASSERT_TRUE(m_session.Connect().Done());
    }

    SimulatedSensor m_sim{SimConfig{}};
    std::atomic<bool> m_stop{false};
    ManualClock m_clock;
    CCtlSession m_session;
};

class CtlSessionInVirtualTime : public CtlSessionTest {
protected:
    CtlSessionInVirtualTime() : CtlSessionTest(true) {}
};

} // namespace

// The proxy reports an identify time-out after 21 silent polls (10.5 s), and polls on: a longer
// --timeout must still find a sensor that answers later.
TEST_F(CtlSessionInVirtualTime, IdentifyWaitsForItsOwnDeadlineNotTheProxysTimeout) {
    m_sim.Sim().SetSilent(true);
    std::atomic<bool> done{false};
    CtlOutcome outcome;
    std::thread identify([&] {
        outcome = m_session.Identify(15s);
        done = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return m_session.Sensor().IsIdentifyPolling(); }));
    m_clock.Advance(11500ms); // 23 polls unanswered: the proxy's time-out came with the 21st
    m_sim.Sim().SetSilent(false);
    m_clock.Advance(500ms);
    EXPECT_TRUE(WaitUntil([&] { return done.load(); }));
    identify.join();
    EXPECT_TRUE(outcome.Done()) << outcome.Message;
}

// A late answer to the previous channel request arrives while channel 2 is asked for: it is
// announced as channel 2, but must not be taken for it.
TEST_F(CtlSessionTest, AReplyForAnotherChannelIsNotTakenForTheOneAsked) {
    ASSERT_TRUE(m_session.Identify(3s).Done());
    m_sim.Sim().SetSilent(true);
    SensorResponder responder{SimConfig{}};
    const auto received = m_sim.Sim().CommandsReceived();
    std::atomic<bool> done{false};
    CtlOutcome outcome;
    std::thread reader([&] {
        outcome = m_session.ReadChannel(2, "the request for channel 2");
        done = true;
    });
    ASSERT_TRUE(WaitUntil([&] { return m_sim.Sim().CommandsReceived() > received; }));
    m_session.Sensor().ProcessLine(responder.Respond("!c,0"));
    EXPECT_FALSE(WaitUntil([&] { return done.load(); }, 200ms)) << "took channel 1's reply";
    m_sim.Sim().SetSilent(false);
    reader.join();
    EXPECT_TRUE(outcome.Done()) << outcome.Message;
    EXPECT_EQ(m_session.Sensor().LastRepliedChannel(), 2U);
}
