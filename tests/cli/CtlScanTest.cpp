// spectrelctl scan: finding sensors among serial devices, in-process against virtual sensors on
// real pseudo-terminals, and the order in which it looks at the devices of a machine.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "cli/Ctl.h"
#include "cli/PortScan.h"
#include "cli/ScanReport.h"
#include "common/FileDescriptor.h"
#include "sim/VirtualSensor.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Another program holding a device the way serial programs do, with an exclusive lock: the
// flock(1) tool, which says "held" once it has the lock and then waits to be ended.
class DeviceHolder {
public:
    explicit DeviceHolder(const std::string& device) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        FileDescriptor readEnd(fds[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::string lockedPath = device;
        std::string script = "echo held; exec sleep 60";
        char* argv[] = {const_cast<char*>("flock"), lockedPath.data(), const_cast<char*>("-c"),
                        script.data(), nullptr};
        // A process group of its own, so that the end takes the waiting command with it.
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        const int spawned = posix_spawnp(&m_pid, "flock", &actions, &attributes, argv, environ);
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        char word[5] = {};
        m_holding =
            spawned == 0 && ::read(readEnd.Get(), word, 4) == 4 && std::string(word) == "held";
        if (spawned != 0) {
            m_pid = 0;
        }
    }
    ~DeviceHolder() {
        if (m_pid > 0) {
            ::kill(-m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    DeviceHolder(const DeviceHolder&) = delete;
    DeviceHolder& operator=(const DeviceHolder&) = delete;

    bool Holding() const { return m_holding; }

private:
    pid_t m_pid = 0;
    bool m_holding = false;
};

std::unique_ptr<VirtualSensor> StartSensor(unsigned model, const std::string& serial,
                                           std::atomic<int>* answers = nullptr) {
    SimConfig config;
    config.Pacing = false;
    config.ModelCode = model;
    config.SerialNumber = serial;
    auto sensor = std::make_unique<VirtualSensor>(config);
    if (answers != nullptr) {
        sensor->SetAnswerObserver([answers](const std::string&) { ++*answers; });
    }
    EXPECT_TRUE(sensor->Start()) << sensor->Error();
    return sensor;
}

int RunCtl(const std::vector<std::string>& args, std::string& out) {
    std::atomic<bool> stop{false};
    std::ostringstream text;
    std::ostringstream errors;
    const int exit = RunSpectrelCtl(args, text, errors, stop);
    out = text.str();
    return exit;
}

} // namespace

// Two sensors among ordinary pseudo-terminals are found and mapped to COM1 and COM2; two more,
// held by other programs (with a lock, with the exclusive flag), are reported as skipped and
// are never written to.
TEST(SpectrelctlScan, FindsSensorsAndLeavesAHeldDeviceAlone) {
    const auto first = StartSensor(6, "SCAN-FIRST-00001");
    const auto second = StartSensor(9, "SCAN-SECOND-0002");
    std::atomic<int> heldAnswers{0};
    const auto held = StartSensor(4, "SCAN-HELD-000003", &heldAnswers);
    PtyPair quiet1;
    PtyPair quiet2;
    ASSERT_TRUE(quiet1.IsValid() && quiet2.IsValid());
    DeviceHolder holder(held->SlavePath());
    ASSERT_TRUE(holder.Holding());
    // A program that keeps others out with TIOCEXCL only, which does not stop root.
    std::atomic<int> exclusiveAnswers{0};
    const auto exclusive = StartSensor(4, "SCAN-EXCL-000004", &exclusiveAnswers);
    const FileDescriptor exclusiveFd(
        ::open(exclusive->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    ASSERT_TRUE(exclusiveFd && ::ioctl(exclusiveFd.Get(), TIOCEXCL) == 0);

    std::string out;
    const std::vector<std::string> devices{quiet1.SlavePath(),     first->SlavePath(),
                                           held->SlavePath(),      quiet2.SlavePath(),
                                           exclusive->SlavePath(), second->SlavePath()};
    // The time-out bounds the wait for the silent devices only; a sensor answers at once, but a
    // loaded machine may hold its answer back.
    std::vector<std::string> args{"--timeout", "2000", "scan"};
    args.insert(args.end(), devices.begin(), devices.end());
    ASSERT_EQ(RunCtl(args, out), 0) << out;
    // Columns are as wide as their longest entry.
    EXPECT_TRUE(std::regex_search(
        out, std::regex(first->SlavePath() + " +- +6 \\(Spectrel-4\\) +SCAN-FIRST-00001 +- +-\n")))
        << out;
    EXPECT_TRUE(std::regex_search(
        out,
        std::regex(second->SlavePath() + " +- +9 \\(Spectrel-15\\) +SCAN-SECOND-0002 +- +-\n")))
        << out;
    EXPECT_NE(out.find("skipped " + held->SlavePath() + ": in use by another program"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("skipped " + exclusive->SlavePath() + ": in use by another program"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("no sensor on " + quiet1.SlavePath() + ": nothing answered"),
              std::string::npos);
    EXPECT_NE(
        out.find("\n[Ports]\nCOM1=" + first->SlavePath() + "\nCOM2=" + second->SlavePath() + "\n"),
        std::string::npos)
        << out;
    EXPECT_EQ(heldAnswers, 0);
    EXPECT_EQ(exclusiveAnswers, 0);
    EXPECT_EQ(quiet1.ReadFromMaster(3, std::chrono::milliseconds(0)).substr(0, 2), "!i");

    ASSERT_EQ(
        RunCtl({"--json", "--timeout", "3000", "scan", held->SlavePath(), second->SlavePath()},
               out),
        0);
    EXPECT_EQ(out, "{\"sensors\":[{\"device\":\"" + second->SlavePath() +
                       "\",\"by_id\":null,\"model\":9,\"name\":\"Spectrel-15\",\"serial\":"
                       "\"SCAN-SECOND-0002\",\"driver\":null,\"latency_ms\":null}],\"busy\":[\"" +
                       held->SlavePath() +
                       "\"],\"silent\":[],\"ports\":[\"COM1=" + second->SlavePath() + "\"]}\n");
    EXPECT_EQ(heldAnswers, 0);

    // Nothing that answers is a failure a script can see; nothing was written to the held one.
    EXPECT_EQ(RunCtl({"--timeout", "300", "scan", quiet2.SlavePath(), held->SlavePath()}, out), 4);
    EXPECT_EQ(RunCtl({"--device", quiet2.SlavePath(), "scan"}, out), 2);
    EXPECT_EQ(RunCtl({"scan", "--count", "3"}, out), 2);
}

// The stable by-id names come first, then the adapters and the built-in ports by number; a
// device reached both ways is probed once, and its by-id name is found from either path.
TEST(SpectrelctlScan, ListsTheDevicesOfAMachineInOrder) {
    TempDir dev;
    ASSERT_FALSE(dev.Path().empty());
    for (const char* node : {"ttyS10", "ttyS2", "ttyACM0", "ttyUSB1", "ttyUSB0", "ttySX", "tty1",
                             "ttyS-1", "ttyS99999999999999999999999", "ttyUSB"}) {
        std::ofstream(dev / node).put('\n');
    }
    fs::create_directories(dev / "serial/by-id");
    const std::string stable = dev / "serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0";
    fs::create_symlink("../../ttyUSB1", stable);

    const std::string real = fs::canonical(dev.Path()).string();
    EXPECT_EQ(ListSerialDevices(dev.Path()),
              (std::vector<std::string>{real + "/ttyUSB1", real + "/ttyUSB0", real + "/ttyACM0",
                                        real + "/ttyS2", real + "/ttyS10"}));
    EXPECT_EQ(FindByIdName(dev / "ttyUSB1", dev / "serial/by-id"), stable);
    EXPECT_EQ(FindByIdName(stable, dev / "serial/by-id"), stable);
    EXPECT_EQ(FindByIdName(dev / "ttyUSB0", dev / "serial/by-id"), "");
    EXPECT_TRUE(ListSerialDevices(dev / "absent").empty());

    // The table names the link, the [Ports] line maps the port to it whole.
    ProbeResult found;
    found.Device = real + "/ttyUSB1";
    found.ByIdName = stable;
    found.State = ProbeState::Found;
    found.Identity.ModelCode = 6;
    found.Identity.SerialNumber = "A1B2C3D4E5F60001";
    // The adapter's driver and latency timer, as a fake sysfs tree tells them.
    TempDir sys;
    fs::create_directories(sys / "bus/usb-serial/drivers/ftdi_sio");
    fs::create_directories(sys / "bus/usb-serial/devices/ttyUSB1");
    fs::create_directories(sys / "class/tty/ttyUSB1/device");
    fs::create_symlink(sys / "bus/usb-serial/drivers/ftdi_sio",
                       sys / "class/tty/ttyUSB1/device/driver");
    std::ofstream(sys / "bus/usb-serial/devices/ttyUSB1/latency_timer") << "16\n";
    found.Adapter = ReadAdapterInfo(stable, sys.Path());
    EXPECT_EQ(found.Adapter.Driver, "ftdi_sio");
    EXPECT_EQ(found.Adapter.Latency, 16u);
    EXPECT_EQ(ReadAdapterInfo(dev / "ttyACM0", sys.Path()).Driver, "") << "sysfs says nothing";
    EXPECT_EQ(
        FormatScan({found}, false, false),
        "DEVICE" + std::string(found.Device.size() - 4, ' ') +
            "BY-ID                              MODEL           SERIAL            DRIVER    "
            "LATENCY\n" +
            found.Device +
            "  usb-FTDI_FT232R_A1B2C3-if00-port0  6 (Spectrel-4)  A1B2C3D4E5F60001  ftdi_sio  "
            "16 ms\n"
            "\n[Ports]\nCOM1=" +
            stable + "\n");
    EXPECT_NE(FormatScan({found}, true, false).find("\"driver\":\"ftdi_sio\",\"latency_ms\":16"),
              std::string::npos);
}
