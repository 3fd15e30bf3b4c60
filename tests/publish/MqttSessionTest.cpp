// The broker connection against a real mosquitto on 127.0.0.1: retained topics, a broker that
// is down or restarts, the last will, a clean close and TLS.

#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <mutex>
#include <sys/wait.h>
#include <unistd.h>

#include "publish/MqttSession.h"
#include "support/Deadline.h"
#include "support/Mosquitto.h"
#include "support/MqttSubscriber.h"

using namespace std::chrono_literals;

namespace {

MqttSessionOptions Options(unsigned port, const std::string& id) {
    MqttSessionOptions options;
    options.Host = "127.0.0.1";
    options.Port = port;
    options.ClientId = id;
    options.AvailabilityTopic = "test/bridge/" + id + "/availability";
    return options;
}

// What the session's handlers saw, read from the test's thread.
struct Events {
    std::atomic<int> Connects = 0;
    std::mutex Mutex;
    std::vector<std::string> Problems;

    MqttSession::ProblemHandler OnProblem() {
        return [this](const std::string& problem) {
            const std::lock_guard lock(Mutex);
            Problems.push_back(problem);
        };
    }
    std::string LastProblem() {
        const std::lock_guard lock(Mutex);
        return Problems.empty() ? "" : Problems.back();
    }
};

const MqttMessage IDENTITY{"test/A100/identity", R"({"serial":"A100"})", true, 1};

} // namespace

TEST(MqttSessionTest, BrokerDownOrRestartedIsRetriedAndRetainedTopicsComeBack) {
    Mosquitto broker;
    Events events;
    std::unique_ptr<MqttSession> session;
    session = std::make_unique<MqttSession>(
        Options(broker.Port(), "restarts"),
        [&] {
            session->Publish(IDENTITY);
            ++events.Connects;
        },
        events.OnProblem());
    std::string error;
    ASSERT_TRUE(session->Start(error)) << error;

    // Down at the start: the reason is told, and what is published meanwhile is dropped.
    ASSERT_TRUE(WaitUntil([&] { return !events.LastProblem().empty(); }));
    EXPECT_NE(events.LastProblem().find("127.0.0.1:" + std::to_string(broker.Port())),
              std::string::npos)
        << events.LastProblem();
    EXPECT_FALSE(session->Publish({"test/A100/reading", "{}", false, 0}));
    EXPECT_EQ(session->Dropped(), 1U);

    ASSERT_TRUE(broker.Start()) << broker.Problem();
    ASSERT_TRUE(WaitUntil([&] { return events.Connects == 1; }));
    MqttSubscriber subscriber(broker.Port());
    ASSERT_TRUE(subscriber.Start());
    const auto retained = subscriber.WaitFor(IDENTITY.Topic, IDENTITY.Payload);
    ASSERT_TRUE(retained);
    EXPECT_TRUE(retained->Retained);
    EXPECT_TRUE(subscriber.WaitFor("test/bridge/restarts/availability", "online"));

    // Restarted: it forgot every retained topic; the session is back, and republishes them,
    // within two seconds of the broker listening.
    broker.Kill();
    ASSERT_TRUE(WaitUntil([&] { return !session->Connected(); }));
    ASSERT_TRUE(broker.Start()) << broker.Problem();
    const auto listening = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] { return events.Connects == 2; }));
    EXPECT_LT(std::chrono::steady_clock::now() - listening, 2s);
    EXPECT_TRUE(WaitUntil([&] { return subscriber.On(IDENTITY.Topic).size() == 2; }));
    EXPECT_TRUE(session->Publish({"test/A100/reading", "{}", false, 0}));
}

TEST(MqttSessionTest, AKilledClientLeavesItsWillAndACleanCloseDoesNot) {
    Mosquitto broker;
    ASSERT_TRUE(broker.Start()) << broker.Problem();
    // Forked before any thread of this process starts; the child only ever connects, then
    // waits to be killed.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        MqttSession session(Options(broker.Port(), "killed"), {}, {});
        std::string error;
        if (session.Start(error)) {
            for (;;) {
                ::pause();
            }
        }
        ::_exit(1);
    }
    MqttSubscriber subscriber(broker.Port());
    ASSERT_TRUE(subscriber.Start());
    ASSERT_TRUE(subscriber.WaitFor("test/bridge/killed/availability", "online"));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(subscriber.WaitFor("test/bridge/killed/availability", "offline"));
    // Retained: a subscriber that comes later still learns of it.
    MqttSubscriber later(broker.Port());
    ASSERT_TRUE(later.Start());
    const auto will = later.WaitFor("test/bridge/killed/availability", "offline");
    ASSERT_TRUE(will);
    EXPECT_TRUE(will->Retained);

    Events events;
    MqttSession session(Options(broker.Port(), "closed"), [&] { ++events.Connects; }, {});
    std::string error;
    ASSERT_TRUE(session.Start(error)) << error;
    ASSERT_TRUE(WaitUntil([&] { return events.Connects == 1; }));
    EXPECT_TRUE(session.Close({{"test/A100/availability", "offline", true, 0}}, 5s));
    EXPECT_FALSE(session.Publish(IDENTITY)) << "closed";
    EXPECT_TRUE(subscriber.WaitFor("test/A100/availability", "offline"));
    EXPECT_TRUE(subscriber.WaitFor("test/bridge/closed/availability", "offline"));
    // A marker sent after the close arrives after any will the close might have caused.
    MqttSession marker(Options(broker.Port(), "marker"), {}, {});
    ASSERT_TRUE(marker.Start(error)) << error;
    ASSERT_TRUE(subscriber.WaitFor("test/bridge/marker/availability", "online"));
    EXPECT_EQ(subscriber.On("test/bridge/closed/availability").size(), 2U) << "online, offline";
}

TEST(MqttSessionTest, TlsConnectsWithTheBrokersAuthorityOnly) {
    Mosquitto broker(true);
    ASSERT_TRUE(broker.Start()) << broker.Problem();
    MqttSubscriber subscriber(broker.Port());
    ASSERT_TRUE(subscriber.Start());
    auto tls = [&](const std::string& id, const std::string& caFile) {
        MqttSessionOptions options = Options(broker.TlsPort(), id);
        options.Tls = true;
        options.CaFile = caFile;
        return options;
    };

    Events trusted;
    MqttSession good(
        tls("trusted", broker.CaFile()), [&] { ++trusted.Connects; }, trusted.OnProblem());
    std::string error;
    ASSERT_TRUE(good.Start(error)) << error;
    EXPECT_TRUE(WaitUntil([&] { return trusted.Connects == 1; })) << trusted.LastProblem();
    EXPECT_TRUE(subscriber.WaitFor("test/bridge/trusted/availability", "online"));

    Events stranger;
    MqttSession bad(
        tls("stranger", broker.OtherCaFile()), [&] { ++stranger.Connects; }, stranger.OnProblem());
    ASSERT_TRUE(bad.Start(error)) << error;
    ASSERT_TRUE(WaitUntil([&] { return !stranger.LastProblem().empty(); }));
    EXPECT_NE(stranger.LastProblem().find("certificate verify failed"), std::string::npos)
        << stranger.LastProblem();
    EXPECT_EQ(stranger.Connects, 0);
    EXPECT_FALSE(bad.Connected());
    EXPECT_TRUE(subscriber.On("test/bridge/stranger/availability").empty());

    MqttSession missing(tls("missing", broker.CaFile() + ".gone"), {}, {});
    EXPECT_FALSE(missing.Start(error));
    EXPECT_NE(error.find(broker.CaFile() + ".gone"), std::string::npos) << error;
}
