// spectrelctl publish as a program of its own: virtual sensors on pseudo-terminals, a real
// mosquitto on 127.0.0.1, and a subscriber that sees what a plant's systems would see.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "cli/Ctl.h"
#include "soak/ChildProcess.h"
#include "support/Deadline.h"
#include "support/FileText.h"
#include "support/Mosquitto.h"
#include "support/MqttSubscriber.h"
#include "support/SimulatedSensor.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;

namespace {

const std::string SERIAL = "SIM0000000000001"; // the virtual sensor's
const std::string SENSOR = "plant/" + SERIAL + "/";
const std::string BRIDGE = "plant/bridge/desk/availability";

SimConfig Unpaced() {
    SimConfig config;
    config.Pacing = false;
    return config;
}

class PublishCommand : public ::testing::Test {
protected:
    // Use as ASSERT_NO_FATAL_FAILURE(Start(...)).
    void Start(std::vector<std::string> extra = {}) {
        ASSERT_TRUE(m_sensor.Started()) << m_sensor.Problem();
        ASSERT_TRUE(m_broker.Start()) << m_broker.Problem();
        ASSERT_TRUE(m_subscriber.Start());
        std::vector<std::string> args = {
            SPECTREL_CTL_PROGRAM, "--device", m_sensor.Path(),  "publish", "--broker", Url(),
            "--client-id",        "desk",     "--topic-prefix", "plant",   "--period", "100"};
        args.insert(args.end(), extra.begin(), extra.end());
        ASSERT_TRUE(m_publish.Start(args, m_folder / "err.txt", false)) << m_publish.Error();
        ASSERT_TRUE(m_subscriber.WaitFor(SENSOR + "availability", "online", 10s)) << Err();
    }

    std::string Url() const { return "mqtt://127.0.0.1:" + std::to_string(m_broker.Port()); }
    std::string Err() const { return FileText(m_folder / "err.txt"); }

    nlohmann::json LastJson(const std::string& topic) const {
        const auto messages = m_subscriber.On(topic);
        return messages.empty() ? nlohmann::json() : nlohmann::json::parse(messages.back().Payload);
    }

    // The latest reading has red at `red` percent.
    bool ReadsRed(double red) const {
        const nlohmann::json reading = LastJson(SENSOR + "reading");
        return reading.is_object() && std::abs(reading["red"].get<double>() - red) < 0.5;
    }

    TempDir m_folder;
    SimulatedSensor m_sensor{Unpaced()};
    Mosquitto m_broker;
    MqttSubscriber m_subscriber{m_broker.Port()};
    ChildProcess m_publish;
};

// spectrelctl run in the test's process: its exit status, what it printed (one line, without
// its end) and its error text.
int RunCtl(const std::vector<std::string>& args, std::string& err, std::string* printed = nullptr) {
    std::ostringstream out;
    std::ostringstream errText;
    std::atomic<bool> stop{false};
    const int exit = RunSpectrelCtl(args, out, errText, stop);
    err = errText.str();
    if (printed != nullptr) {
        *printed = out.str().substr(0, out.str().find('\n'));
    }
    return exit;
}

} // namespace

TEST_F(PublishCommand, FirstContactReadingsMatchOutputsAndTheEnd) {
    // Channel 1 recognises the virtual sensor's target (40, 30, 20 %).
    std::string err;
    ASSERT_EQ(RunCtl({"--device", m_sensor.Path(), "set-channel", "1", "enabled=yes", "red=40",
                      "green=30", "blue=20", "tolerance=10"},
                     err),
              0)
        << err;
    ASSERT_NO_FATAL_FAILURE(Start({"--discovery"}));

    // The retained descriptions are the objects --json prints, there before "online".
    const nlohmann::json identity = LastJson(SENSOR + "identity");
    EXPECT_EQ(identity["serial"], SERIAL);
    EXPECT_EQ(identity["device"], m_sensor.Path());
    EXPECT_EQ(LastJson(SENSOR + "channels").size(), identity["channels"].get<std::size_t>());
    EXPECT_TRUE(m_subscriber.WaitFor(BRIDGE, "online"));
    EXPECT_TRUE(m_subscriber.WaitFor(SENSOR + "match/1", "ON"));
    EXPECT_TRUE(m_subscriber.WaitFor(SENSOR + "match/2", "OFF"));
    EXPECT_EQ(LastJson("homeassistant/binary_sensor/plant_" + SERIAL +
                       "/match_1/config")["availability_mode"],
              "all");

    // Each reading carries the margin of every enabled channel: channel 1 alone, the target
    // at its centre.
    ASSERT_TRUE(WaitUntil([&] { return ReadsRed(40.0); }));
    const nlohmann::json margins = LastJson(SENSOR + "reading")["margins"];
    ASSERT_EQ(margins.size(), 1u);
    EXPECT_GT(margins[0].get<double>(), 90.0);

    // Readings follow the target; leaving channel 1's tolerance turns its match off.
    m_sensor.Sim().SetTarget(70.0, 30.0, 20.0);
    EXPECT_TRUE(WaitUntil([&] { return ReadsRed(70.0); }));
    EXPECT_TRUE(m_subscriber.WaitFor(SENSOR + "match/1", "OFF"));

    // SIGTERM: every availability topic says "offline", acknowledged before the end; exit 0.
    ASSERT_TRUE(m_publish.Stop(10s)) << Err();
    EXPECT_EQ(m_publish.StatusText(), "exit 0") << Err();
    EXPECT_EQ(m_subscriber.On(SENSOR + "availability").back().Payload, "offline");
    EXPECT_EQ(m_subscriber.On(BRIDGE).back().Payload, "offline");
}

TEST_F(PublishCommand, HangUpAndSwapNeverPublishUnderAnOldSerial) {
    ASSERT_NO_FATAL_FAILURE(Start());
    ASSERT_TRUE(WaitUntil([&] { return !m_subscriber.On(SENSOR + "reading").empty(); }));

    m_sensor.Sim().HangUp(300);
    EXPECT_TRUE(m_subscriber.WaitFor(SENSOR + "availability", "offline"));
    ASSERT_TRUE(
        WaitUntil([&] { return m_subscriber.On(SENSOR + "availability").size() >= 3; }, 15s));
    EXPECT_EQ(m_subscriber.On(SENSOR + "availability").back().Payload, "online");

    // Another sensor on the same line: the new serial takes over, the old one goes offline.
    const std::string other = "plant/SIM0000000000002/";
    m_sensor.Sim().SetSerialNumber("SIM0000000000002");
    m_sensor.Sim().HangUp(300);
    ASSERT_TRUE(m_subscriber.WaitFor(other + "availability", "online", 15s)) << Err();
    EXPECT_EQ(m_subscriber.On(SENSOR + "availability").back().Payload, "offline");
    EXPECT_TRUE(WaitUntil([&] { return !m_subscriber.On(other + "reading").empty(); }));
    const auto oldOffline = m_subscriber.On(SENSOR + "availability").back().At;
    for (const auto& reading : m_subscriber.On(SENSOR + "reading")) {
        EXPECT_LE(reading.At, oldOffline) << "a reading under the old serial after its offline";
    }
}

TEST_F(PublishCommand, BrokerRestartRetainedAgainAndKillGivesTheWill) {
    ASSERT_NO_FATAL_FAILURE(Start());

    m_broker.Kill();
    ASSERT_TRUE(m_broker.Start()) << m_broker.Problem();
    const auto listening = std::chrono::steady_clock::now();
    MqttSubscriber again(m_broker.Port());
    ASSERT_TRUE(again.Start());
    ASSERT_TRUE(WaitUntil([&] { return !again.On(SENSOR + "identity").empty(); }, 5s)) << Err();
    EXPECT_LT(again.On(SENSOR + "identity").front().At - listening, 2s);
    EXPECT_TRUE(again.WaitFor(SENSOR + "availability", "online"));

    // A crash: only the broker can tell, by the last will on the bridge topic.
    kill(m_publish.Pid(), SIGKILL);
    EXPECT_TRUE(again.WaitFor(BRIDGE, "offline"));
}

TEST_F(PublishCommand, WrongBrokerUrlPasswordFileOrCertificateIsRefused) {
    ASSERT_TRUE(m_sensor.Started()) << m_sensor.Problem();
    std::string err;
    EXPECT_EQ(RunCtl({"--device", m_sensor.Path(), "publish", "--broker", "http://127.0.0.1"}, err),
              2);
    EXPECT_NE(err.find("--broker http://127.0.0.1"), std::string::npos) << err;

    const std::string password = m_folder / "password";
    std::ofstream(password) << "secret\n";
    chmod(password.c_str(), 0644);
    EXPECT_EQ(RunCtl({"--device", m_sensor.Path(), "publish", "--broker", "mqtt://127.0.0.1",
                      "--username", "line", "--password-file", password},
                     err),
              2);
    EXPECT_NE(err.find(password + " may be read by others (mode 0644)"), std::string::npos) << err;

    // A broker certificate that the given authority did not sign is never connected to.
    Mosquitto tls(true);
    ASSERT_TRUE(tls.Start()) << tls.Problem();
    MqttSubscriber watch(tls.Port());
    ASSERT_TRUE(watch.Start());
    const std::string url = "mqtts://127.0.0.1:" + std::to_string(tls.TlsPort());
    ChildProcess wrong;
    ASSERT_TRUE(wrong.Start({SPECTREL_CTL_PROGRAM, "--device", m_sensor.Path(), "publish",
                             "--broker", url, "--cafile", tls.OtherCaFile(), "--client-id", "w"},
                            m_folder / "wrong.txt", false));
    EXPECT_TRUE(WaitUntil([&] {
        return FileText(m_folder / "wrong.txt").find("certificate") != std::string::npos;
    })) << FileText(m_folder / "wrong.txt");
    EXPECT_TRUE(wrong.Stop());
    EXPECT_TRUE(watch.On("spectrel/bridge/w/availability").empty());

    ChildProcess right;
    ASSERT_TRUE(right.Start({SPECTREL_CTL_PROGRAM, "--device", m_sensor.Path(), "publish",
                             "--broker", url, "--cafile", tls.CaFile(), "--client-id", "r"},
                            m_folder / "right.txt", false));
    EXPECT_TRUE(watch.WaitFor("spectrel/SIM0000000000001/availability", "online", 10s))
        << FileText(m_folder / "right.txt");
    EXPECT_TRUE(right.Stop());
}
