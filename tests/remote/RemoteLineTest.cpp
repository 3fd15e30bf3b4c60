// The sensor proxy and spectrelctl on a remote serial line: a real ser2net on 127.0.0.1
// serving the virtual sensor's pseudo-terminal, reached through rfc2217:// and socket://.

#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <netdb.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <thread>

#include <gtest/gtest.h>

#include "cli/Ctl.h"
#include "common/LinkError.h"
#include "link/SerialPort.h"
#include "link/TcpConnect.h"
#include "sensor/Protocol.h"
#include "support/Deadline.h"
#include "support/SensorFixture.h"
#include "support/Ser2net.h"

using namespace std::chrono_literals;

namespace {

enum class Form { Rfc2217, Socket };

class RemoteLine : public SensorFixture, public ::testing::WithParamInterface<Form> {
protected:
    // Use as ASSERT_NO_FATAL_FAILURE(Serve()).
    void Serve(SimConfig config = {}) {
        config.Pacing = false;
        m_sim = std::make_unique<SimulatedSensor>(std::move(config));
        ASSERT_TRUE(m_sim->Started()) << m_sim->Problem();
        m_server = std::make_unique<Ser2net>(m_sim->Path());
        ASSERT_TRUE(m_server->Start()) << m_server->Problem();
        sensor.SetWindow(&target);
        ASSERT_TRUE(sensor.Connect(Url())) << LinkErrorText(sensor.LastPortError());
    }
    std::string Url() const {
        return GetParam() == Form::Rfc2217 ? m_server->Rfc2217Url() : m_server->SocketUrl();
    }

    std::unique_ptr<Ser2net> m_server;
};

std::string FormName(const ::testing::TestParamInfo<Form>& info) {
    return info.param == Form::Rfc2217 ? "Rfc2217" : "Socket";
}

// A listener on 127.0.0.1 that never accepts and whose queue is full: new connections hang.
struct StalledListener {
    // port 0: any free one.
    explicit StalledListener(unsigned port = 0) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        socklen_t size = sizeof address;
        auto* generic = reinterpret_cast<sockaddr*>(&address);
        const int reuse = 1; // the port of a server just killed may still be in TIME_WAIT
        ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        if (::bind(listener.Get(), generic, size) != 0 || ::listen(listener.Get(), 0) != 0 ||
            ::getsockname(listener.Get(), generic, &size) != 0) {
            return;
        }
        for (FileDescriptor& fd : queued) {
            fd.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            ::connect(fd.Get(), generic, size);
        }
        url = "socket://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    }
    FileDescriptor listener{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    std::array<FileDescriptor, 3> queued;
    std::string url; // empty when it could not be set up
};

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

TEST_P(RemoteLine, FirstContactPollingSendAndTeach) {
    SimConfig config;
    config.ModelCode = 9;
    ASSERT_NO_FATAL_FAILURE(Serve(config));
    ASSERT_TRUE(sensor.StartIdentifyPolling(200));
    ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s));
    ASSERT_TRUE(sensor.StopIdentifyPolling());
    EXPECT_EQ(sensor.GetModelCode(), 9u);
    ASSERT_TRUE(sensor.RequestVersion());
    ASSERT_TRUE(Await(WM_SENSOR_VERSION, 3s));
    ASSERT_TRUE(sensor.RequestSettings());
    ASSERT_TRUE(Await(WM_SENSOR_SETTINGS, 3s));
    for (unsigned channel = 1; channel <= 15; ++channel) {
        ASSERT_TRUE(sensor.RequestChannel(channel));
        const auto reply = Await(WM_SENSOR_CHANNEL, 3s);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->WParam, channel);
    }

    ASSERT_TRUE(sensor.StartDataPolling(20));
    for (int reading = 0; reading < 5; ++reading) {
        ASSERT_TRUE(Await(WM_SENSOR_DATA, 3s)) << "reading " << reading;
    }
    ASSERT_TRUE(sensor.StopDataPolling());
    ASSERT_TRUE(sensor.WaitUntilIdle(3000));

    const unsigned illumination = sensor.GetIllumination() == 50 ? 60 : 50;
    ASSERT_TRUE(sensor.SendSettings(sensor.GetAveraging(), sensor.GetTriggering(),
                                    sensor.GetOutputDelay(), sensor.GetAmbientSubtraction(),
                                    illumination));
    ASSERT_TRUE(Await(WM_SENSOR_SETTINGS_SENT, 3s));
    EXPECT_EQ(Sim().Settings().Illumination, illumination);

    Sim().SetTarget(60, 20, 10);
    ASSERT_TRUE(sensor.TeachChannel(3, OUTPUT_HIGH, 1, MODE_COLOR_ONLY, 10.0, 10.0, 10.0));
    const auto taught = Await(WM_SENSOR_TEACH, 5s);
    ASSERT_TRUE(taught);
    EXPECT_EQ(taught->WParam, 3u);
    EXPECT_EQ(target.Posted(WM_SENSOR_READ_ERROR), 0u);

    // Reset: closed and opened again at once, the server takes the new connection.
    for (int reset = 0; reset < 3; ++reset) {
        ASSERT_TRUE(sensor.Disconnect());
        ASSERT_TRUE(sensor.Connect(Url())) << LinkErrorText(sensor.LastPortError());
        ASSERT_TRUE(sensor.RequestIdentity());
        ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s)) << "reset " << reset;
    }
}

// ser2net killed is a pulled adapter: the proxy loses the sensor through the usual time-out
// and finds it again by itself once the server is back on the same port.
TEST_P(RemoteLine, KilledServerIsLostAndFoundAgain) {
    ASSERT_NO_FATAL_FAILURE(Serve());
    ASSERT_TRUE(sensor.StartIdentifyPolling(50));
    ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s));

    m_server->Kill();
    ASSERT_TRUE(AwaitTimeout(SENSOR_TIMEOUT_IDENTIFY, 5s));
    EXPECT_TRUE(WaitUntil([&] { return !sensor.IsLinkUp(); }, 3s));
    target.Clear();
    const auto restarted = Clock::now();
    ASSERT_TRUE(m_server->Start()) << m_server->Problem();
    const auto back = target.PopMessage(WM_SENSOR_IDENTITY, 8s);
    ASSERT_TRUE(back);
    std::printf("identity again %.1f ms after ser2net was restarted\n", Ms(back->Time - restarted));
    EXPECT_LE(target.Posted(WM_SENSOR_READ_ERROR), CSensor::HANG_UP_FAILED_READS + 1);
    EXPECT_TRUE(sensor.IsLinkUp());
}

// The server's machine is gone and connections to it hang: Disconnect (Reset, closing the
// window) does not wait for the re-open loop's connect to give up.
TEST_P(RemoteLine, DisconnectDoesNotWaitForAHangingReconnect) {
    ASSERT_NO_FATAL_FAILURE(Serve());
    ASSERT_TRUE(sensor.RequestIdentity());
    ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s));
    const std::string url = Url();
    m_server->Kill();
    const StalledListener stalled(
        static_cast<unsigned>(std::stoul(url.substr(url.rfind(':') + 1))));
    ASSERT_FALSE(stalled.url.empty());
    ASSERT_TRUE(WaitUntil([&] { return !sensor.IsLinkUp(); }, 3s));
    std::this_thread::sleep_for(1500ms); // into a re-open's connect
    const auto start = Clock::now();
    EXPECT_TRUE(sensor.Disconnect());
    std::printf("Disconnect during a hanging reconnect: %.1f ms\n", Ms(Clock::now() - start));
    EXPECT_LT(Ms(Clock::now() - start), 500.0);
}

TEST_P(RemoteLine, SecondClientIsToldThePortIsInUse) {
    ASSERT_NO_FATAL_FAILURE(Serve());
    ASSERT_TRUE(sensor.RequestIdentity());
    ASSERT_TRUE(Await(WM_SENSOR_IDENTITY, 3s));
    CSerialPort second;
    const auto start = Clock::now();
    EXPECT_FALSE(second.Open(Url()));
    EXPECT_EQ(second.LastError(), LINK_ERROR_SERVER_IN_USE);
    EXPECT_LT(MsSince(start), 1000.0);
    ASSERT_TRUE(sensor.RequestIdentity());
    EXPECT_TRUE(Await(WM_SENSOR_IDENTITY, 3s)) << "the first client keeps its line";
}

TEST_P(RemoteLine, SpectrelctlIdentifiesTheSensor) {
    ASSERT_NO_FATAL_FAILURE(Serve());
    sensor.Disconnect();
    std::ostringstream out;
    std::ostringstream err;
    const std::atomic<bool> stop{false};
    EXPECT_EQ(RunSpectrelCtl({"--device", Url(), "identify"}, out, err, stop), 0) << err.str();
    EXPECT_NE(out.str().find("SIM0000000000001"), std::string::npos) << out.str();
}

// ser2net keeps the device for a moment after a client leaves, and a client still on it may
// leave any moment: within its --timeout spectrelctl tries again, and says "in use" only then.
TEST_P(RemoteLine, SpectrelctlWaitsWithinItsTimeoutForAServerStillInUse) {
    ASSERT_NO_FATAL_FAILURE(Serve());
    const std::string other =
        GetParam() == Form::Rfc2217 ? m_server->SocketUrl() : m_server->Rfc2217Url();
    const std::atomic<bool> stop{false};
    std::ostringstream out;
    std::ostringstream err;
    const auto held = Clock::now();
    EXPECT_EQ(RunSpectrelCtl({"--device", other, "--timeout", "500", "identify"}, out, err, stop),
              3);
    EXPECT_NE(err.str().find("in use"), std::string::npos) << err.str();
    EXPECT_GE(MsSince(held), 450.0);

    std::thread leaving([&] {
        std::this_thread::sleep_for(300ms); // the first client's last moments on the line
        sensor.Disconnect();
    });
    err.str("");
    EXPECT_EQ(RunSpectrelCtl({"--device", other, "--timeout", "3000", "identify"}, out, err, stop),
              0)
        << err.str();
    leaving.join();
}

INSTANTIATE_TEST_SUITE_P(BothForms, RemoteLine, ::testing::Values(Form::Rfc2217, Form::Socket),
                         FormName);

// A raw port named as rfc2217:// never answers the telnet negotiation: Open gives up within
// its bound and says why.
TEST(RemoteLineOpen, ServerWithoutRfc2217IsNamedAsSuch) {
    SimulatedSensor sim;
    ASSERT_TRUE(sim.Started()) << sim.Problem();
    Ser2net server(sim.Path());
    ASSERT_TRUE(server.Start()) << server.Problem();
    std::string url = server.SocketUrl();
    url.replace(0, url.find(':'), "rfc2217");
    CSerialPort port;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.Open(url));
    EXPECT_EQ(port.LastError(), LINK_ERROR_NO_RFC2217);
    EXPECT_LT(MsSince(start), 3000.0);
}

// Each failure comes back within the connect bound with its own reason.
TEST(RemoteLineOpen, UnreachableAddressesFailInTimeWithTheirReason) {
    CSerialPort port;
    const auto refusedStart = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.Open("socket://127.0.0.1:" + std::to_string(FreeLoopbackPort())));
    EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(ECONNREFUSED));
    EXPECT_LT(MsSince(refusedStart), 500.0);

    // A label longer than 63 characters is refused by the resolver itself, before any query.
    const std::string unknown = "rfc2217://" + std::string(64, 'x') + ".invalid:7000";
    const auto unknownStart = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.Open(unknown));
    EXPECT_EQ(port.LastError(), LINK_ERROR_HOST_NOT_FOUND);
    EXPECT_EQ(LinkErrorText(port.LastError()), "host name not found");
    EXPECT_LT(MsSince(unknownStart), 500.0);

    EXPECT_FALSE(port.Open("socket://127.0.0.1"));
    EXPECT_EQ(port.LastError(), LINK_ERROR_BAD_ADDRESS);

    // spectrelctl names the host and the reason.
    const std::string refused = "socket://127.0.0.1:" + std::to_string(FreeLoopbackPort());
    std::ostringstream out;
    std::ostringstream err;
    const std::atomic<bool> stop{false};
    EXPECT_EQ(RunSpectrelCtl({"--device", refused, "identify"}, out, err, stop), 3);
    EXPECT_NE(err.str().find("cannot open " + refused + ": Connection refused"), std::string::npos)
        << err.str();

    const StalledListener stalled;
    ASSERT_FALSE(stalled.url.empty());
    const auto hangStart = std::chrono::steady_clock::now();
    EXPECT_FALSE(port.Open(stalled.url));
    EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(ETIMEDOUT));
    EXPECT_GT(MsSince(hangStart), 2500.0);
    EXPECT_LT(MsSince(hangStart), 4000.0);
}

// Close from another thread cuts a hanging connect short (the proxy's Disconnect while its
// receive thread re-opens a vanished server).
TEST(RemoteLineOpen, CloseCancelsAConnectInProgress) {
    const StalledListener stalled;
    ASSERT_FALSE(stalled.url.empty());
    CSerialPort port;
    std::atomic<bool> opened{true};
    const auto start = std::chrono::steady_clock::now();
    std::thread opener([&] { opened = port.Open(stalled.url); });
    std::this_thread::sleep_for(200ms);
    const auto closing = std::chrono::steady_clock::now();
    EXPECT_TRUE(port.Close());
    opener.join();
    EXPECT_LT(MsSince(closing), 200.0);
    EXPECT_FALSE(opened);
    EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(ECANCELED));
    EXPECT_LT(MsSince(start), 1000.0);
    EXPECT_FALSE(port.IsOpen());
}

// A lookup that fails otherwise than by an unknown name is worded with the resolver's reason;
// one that failed in the system keeps the error of the thread that looked up.
TEST(RemoteLineOpen, AFailedLookupIsWordedWithTheResolversReason) {
    EXPECT_EQ(LinkErrorText(LookupFailure(EAI_AGAIN, 0)),
              std::string("host name lookup failed: ") + gai_strerror(EAI_AGAIN));
    EXPECT_EQ(LinkErrorText(LookupFailure(EAI_FAIL, 0)),
              std::string("host name lookup failed: ") + gai_strerror(EAI_FAIL));
    EXPECT_EQ(LookupFailure(EAI_SYSTEM, EMFILE), static_cast<std::uint32_t>(EMFILE));
    EXPECT_EQ(LookupFailure(EAI_NONAME, 0), LINK_ERROR_HOST_NOT_FOUND);
}

// SIGINT while a connect hangs ends spectrelctl at once with 130, not with the connect's
// time-out.
TEST(RemoteLineOpen, SpectrelctlStopsDuringAHangingConnect) {
    const StalledListener stalled;
    ASSERT_FALSE(stalled.url.empty());
    const std::atomic<bool> stop{true};
    std::ostringstream out;
    std::ostringstream err;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunSpectrelCtl({"--device", stalled.url, "identify"}, out, err, stop), 130)
        << err.str();
    EXPECT_LT(MsSince(start), 1000.0);
}
