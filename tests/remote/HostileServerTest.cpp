// The link and spectrelctl against servers that misbehave in ways ser2net never does, played by
// a small server on 127.0.0.1.

#include <atomic>
#include <chrono>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>

#include <gtest/gtest.h>

#include "cli/Ctl.h"
#include "common/LinkError.h"
#include "link/SerialPort.h"
#include "sensor/Sensor.h"
#include "support/Deadline.h"
#include "support/LoopbackServer.h"
#include "support/RecordingTarget.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Answers every command with bytes a 7-bit line never carries, and never a CR.
void Flood(int connection, const LoopbackServer& server) {
    std::string flood(64 * 1024, '\0');
    for (std::size_t i = 0; i < flood.size(); ++i) {
        flood[i] = static_cast<char>(0x80 + i % 0x7F);
    }
    char ignored[256];
    while (!server.Stopping()) {
        if (!LoopbackServer::Readable(connection, 20)) {
            continue;
        }
        if (::recv(connection, ignored, sizeof ignored, 0) <= 0 ||
            !LoopbackServer::SendAll(connection, flood)) {
            return;
        }
    }
}

} // namespace

TEST(HostileServer, AFloodWithoutCrIsCountedAsGarbledAndTheClientKeepsItsDeadline) {
    const LoopbackServer server(Flood);
    ASSERT_FALSE(server.Address().empty());
    const std::string url = "socket://" + server.Address();
    {
        RecordingTarget target;
        CSensor sensor;
        sensor.SetWindow(&target);
        ASSERT_TRUE(sensor.Connect(url)) << LinkErrorText(sensor.LastPortError());
        ASSERT_TRUE(sensor.StartIdentifyPolling(100));
        EXPECT_TRUE(target.PopMessage(WM_SENSOR_READ_ERROR, 3s)) << "garbled replies are counted";
        sensor.StopIdentifyPolling();
        sensor.Disconnect();
        sensor.SetWindow(nullptr);
    }
    std::ostringstream out;
    std::ostringstream err;
    const std::atomic<bool> stop{false};
    const auto start = Clock::now();
    EXPECT_EQ(RunSpectrelCtl({"--device", url, "--timeout", "1000", "identify"}, out, err, stop), 4)
        << err.str();
    EXPECT_LT(MsSince(start), 2500.0);
}

// A server that takes the connection and then says nothing keeps the RFC 2217 negotiation
// waiting; SIGINT ends that wait at once.
TEST(HostileServer, SpectrelctlStopsDuringASilentNegotiation) {
    const LoopbackServer server([](int connection, const LoopbackServer& self) {
        while (!self.Stopping() && !LoopbackServer::Readable(connection, 20)) {
        }
        while (!self.Stopping()) {
            LoopbackServer::Readable(connection, 20); // reads nothing, answers nothing
        }
    });
    ASSERT_FALSE(server.Address().empty());
    std::atomic<bool> stop{false};
    Clock::time_point stopped;
    std::thread interrupt([&] {
        if (WaitUntil([&] { return server.Accepted() > 0; }, 3s)) {
            stopped = Clock::now();
        }
        stop = true;
    });
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(
        RunSpectrelCtl({"--device", "rfc2217://" + server.Address(), "identify"}, out, err, stop),
        130)
        << err.str();
    interrupt.join();
    EXPECT_LT(MsSince(stopped), 500.0);
}

// A server that takes the line control and confirms every setting but the flow control: the
// open fails with that setting named, not as a server without RFC 2217.
TEST(HostileServer, ASettingTheServerNeverConfirmsIsNamed) {
    const LoopbackServer server([](int connection, const LoopbackServer& self) {
        const auto answer = [](char command, std::string value) {
            return std::string("\xFF\xFA\x2C") + static_cast<char>(command + 100) + value +
                   "\xFF\xF0";
        };
        const std::string agreed = std::string("\xFF\xFD\x2C") +
                                   answer(1, std::string("\x00\x00\x25\x80", 4)) +
                                   answer(2, "\x07") + answer(3, "\x03") + answer(4, "\x01");
        if (LoopbackServer::Readable(connection, 2000)) {
            LoopbackServer::SendAll(connection, agreed);
        }
        while (!self.Stopping()) {
            LoopbackServer::Readable(connection, 20);
        }
    });
    ASSERT_FALSE(server.Address().empty());
    CSerialPort port;
    EXPECT_FALSE(port.Open("rfc2217://" + server.Address()));
    EXPECT_EQ(LinkErrorText(port.LastError()),
              "the server speaks RFC 2217 but did not confirm no flow control");
}
