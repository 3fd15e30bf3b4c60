#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "common/ErrorText.h"
#include "common/FileDescriptor.h"
#include "link/LineFormat.h"
#include "link/SerialPort.h"
#include "support/Deadline.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"
#include "support/ThreadState.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint32_t PROXY_CAPACITY = 1024;

std::size_t OpenDescriptorCount() {
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

double MillisecondsSince(Clock::time_point start, Clock::time_point end) {
    return std::chrono::duration<double, std::milli>(end - start).count();
}

struct ReadOutcome {
    bool finished = false;
    bool ok = false;
    std::uint32_t bytesRead = 0;
    std::vector<char> buffer;
    std::string Text() const { return std::string(buffer.data(), bytesRead); }
};

// One Read on its own thread, so a Read that never returns fails the test instead of hanging
// it: after the timeout the port is closed, which must free the reader.
ReadOutcome ReadWithin(CSerialPort& port, std::uint32_t capacity = PROXY_CAPACITY,
                       std::chrono::milliseconds timeout = 2000ms) {
    ReadOutcome outcome;
    outcome.buffer.assign(capacity + 1, '\x55');
    std::atomic<bool> done{false};
    std::thread reader([&] {
        outcome.ok = port.Read(outcome.buffer.data(), capacity, outcome.bytesRead);
        done = true;
    });
    outcome.finished = WaitUntil([&] { return done.load(); }, timeout);
    if (!outcome.finished) {
        port.Close();
    }
    reader.join();
    return outcome;
}

bool HasEightBitByte(const std::vector<char>& bytes) {
    for (const char byte : bytes) {
        if (static_cast<unsigned char>(byte) > 0x7F && byte != '\x55') {
            return true;
        }
    }
    return false;
}

// A second descriptor on the slave, opened before the port takes it, lets a test look at the
// terminal's settings and input queue from outside the port.
class SerialPortOnPty : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_pty.IsValid());
        m_observer.Reset(::open(m_pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
        ASSERT_TRUE(m_observer);
        ASSERT_TRUE(m_port.Open(m_pty.SlavePath())) << "errno " << m_port.LastError();
    }

    int QueuedForTheSlave() const {
        int count = 0;
        return ::ioctl(m_observer.Get(), FIONREAD, &count) == 0 ? count : -1;
    }

    PtyPair m_pty;
    FileDescriptor m_observer;
    CSerialPort m_port;
};

} // namespace

TEST(SerialPortOpen, HoldsTheDeviceExclusivelyUntilClose) {
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    CSerialPort first;
    CSerialPort second;
    ASSERT_TRUE(first.Open(pty.SlavePath()));
    EXPECT_TRUE(first.IsOpen());
    EXPECT_EQ(first.DeviceName(), pty.SlavePath());

    const std::size_t descriptors = OpenDescriptorCount();
    EXPECT_FALSE(second.Open(pty.SlavePath()));
    const std::uint32_t error = second.LastError();
    EXPECT_TRUE(error == EWOULDBLOCK || error == EBUSY) << "errno " << error;
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(OpenDescriptorCount(), descriptors);

    EXPECT_FALSE(first.Open(pty.SlavePath())) << "opening an open port";
    EXPECT_TRUE(first.IsOpen());

    EXPECT_TRUE(first.Close());
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(second.Open(pty.SlavePath())) << "errno " << second.LastError();
}

// Another program's hold on the port, by lock and exclusive mode or by exclusive mode alone,
// keeps us out (root included) and is still in place afterwards.
TEST(SerialPortOpen, ARefusedOpenLeavesAnotherProgramsHoldAlone) {
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    for (const bool locked : {true, false}) {
        SCOPED_TRACE(locked ? "lock and exclusive mode" : "exclusive mode alone");
        const FileDescriptor other(::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK));
        ASSERT_TRUE(other);
        ASSERT_TRUE(!locked || ::flock(other.Get(), LOCK_EX | LOCK_NB) == 0);
        ASSERT_EQ(::ioctl(other.Get(), TIOCEXCL), 0);
        CSerialPort port;
        EXPECT_FALSE(port.Open(pty.SlavePath()));
        const std::uint32_t error = port.LastError();
        EXPECT_TRUE(error == EWOULDBLOCK || error == EBUSY) << "errno " << error;
        port.Close();
        int exclusive = 0;
        ASSERT_EQ(::ioctl(other.Get(), TIOCGEXCL, &exclusive), 0);
        EXPECT_NE(exclusive, 0) << "the other program's exclusive mode was cleared";
        ::ioctl(other.Get(), TIOCNXCL);
    }
}

TEST(SerialPortOpen, FailureKeepsTheReasonAndLeavesNothingOpen) {
    const std::size_t descriptors = OpenDescriptorCount();
    CSerialPort port;

    EXPECT_FALSE(port.Open("ttySpectrelNoSuchDevice"));
    EXPECT_EQ(port.DeviceName(), "/dev/ttySpectrelNoSuchDevice");
    EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(ENOENT));

    EXPECT_FALSE(port.Open("/dev/null")) << "not a terminal";
    EXPECT_EQ(port.LastError(), static_cast<std::uint32_t>(ENOTTY));

    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST(SerialPortOpen, SomethingThatIsNoTerminalIsNamedNoSerialPort) {
    const TempDir folder;
    ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
    { const FileDescriptor file(::creat((folder / "file").c_str(), 0600)); }
    for (const std::string& device : {std::string("/dev/null"), folder / "fifo", folder / "file"}) {
        CSerialPort port;
        EXPECT_FALSE(port.Open(device));
        EXPECT_EQ(PortErrorText("open", device, port.LastError()),
                  "cannot open " + device + ": not a serial port");
    }
}

TEST_F(SerialPortOnPty, SetsARawLineAndRestoresTheDeviceSettingsAtClose) {
    termios during{};
    ASSERT_EQ(tcgetattr(m_observer.Get(), &during), 0);
    EXPECT_EQ(during.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(during.c_iflag, static_cast<tcflag_t>(INPCK | PARMRK));
    EXPECT_EQ(during.c_oflag & OPOST, 0u);
    EXPECT_EQ(cfgetospeed(&during), static_cast<speed_t>(B9600));
    EXPECT_EQ(during.c_cflag & CRTSCTS, 0u);

    m_port.Close();
    termios after{};
    ASSERT_EQ(tcgetattr(m_observer.Get(), &after), 0);
    EXPECT_NE(after.c_lflag & ICANON, 0u) << "a fresh terminal's canonical mode comes back";
    EXPECT_NE(after.c_iflag, during.c_iflag);
}

TEST_F(SerialPortOnPty, HandsOverOneLineWithItsCrTurnedIntoAZeroByte) {
    ASSERT_TRUE(m_pty.WriteToMaster("V1.23 2024\r"));
    const ReadOutcome version = ReadWithin(m_port);
    ASSERT_TRUE(version.finished);
    EXPECT_TRUE(version.ok);
    EXPECT_EQ(version.bytesRead, 11u);
    EXPECT_EQ(std::string(version.buffer.data(), 12), std::string("V1.23 2024\0\0", 12));

    // A single byte is handed over as it is.
    ASSERT_TRUE(m_pty.WriteToMaster("\r"));
    const ReadOutcome lone = ReadWithin(m_port);
    EXPECT_TRUE(lone.ok);
    EXPECT_EQ(lone.bytesRead, 1u);
    EXPECT_EQ(lone.buffer[0], '\r');
    EXPECT_EQ(lone.buffer[1], '\0');
}

TEST_F(SerialPortOnPty, HandsOverLinesThatArrivedTogetherInOnePiece) {
    ASSERT_TRUE(m_pty.WriteToMaster("abc\rdef\r"));
    const ReadOutcome both = ReadWithin(m_port);
    EXPECT_TRUE(both.ok);
    EXPECT_EQ(both.Text(), std::string("abc\rdef\0", 8));
}

TEST_F(SerialPortOnPty, KeepsBytesThatArrivedWithoutTheirCr) {
    // Bytes behind the last CR wait for the next Read.
    ASSERT_TRUE(m_pty.WriteToMaster("abc\rde"));
    EXPECT_EQ(ReadWithin(m_port).Text(), std::string("abc\0", 4));
    ASSERT_TRUE(m_pty.WriteToMaster("f\r"));
    EXPECT_EQ(ReadWithin(m_port).Text(), std::string("def\0", 4));

    // A chunk without CR taken in by a waiting Read is joined by its CR later.
    ASSERT_TRUE(m_pty.WriteToMaster("12345"));
    ASSERT_TRUE(WaitUntil([&] { return QueuedForTheSlave() == 5; }));
    ReadOutcome outcome;
    std::atomic<pid_t> readerId{0};
    std::thread reader([&] {
        readerId = gettid();
        outcome.buffer.assign(PROXY_CAPACITY + 1, '\x55');
        outcome.ok = m_port.Read(outcome.buffer.data(), PROXY_CAPACITY, outcome.bytesRead);
    });
    const bool consumed = WaitUntil(
        [&] { return QueuedForTheSlave() == 0 && readerId != 0 && IsThreadSleeping(readerId); });
    EXPECT_TRUE(consumed && m_pty.WriteToMaster("678\r"));
    if (!consumed) {
        m_port.Close();
    }
    reader.join();
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.Text(), std::string("12345678\0", 9));
}

TEST_F(SerialPortOnPty, FailsARunLongerThanItsCapacityAndResumesAtTheNextLine) {
    constexpr std::uint32_t CAPACITY = 16;
    ASSERT_TRUE(m_pty.WriteToMaster(std::string(20, 'x')));
    const ReadOutcome overlong = ReadWithin(m_port, CAPACITY);
    ASSERT_TRUE(overlong.finished) << "a run without CR must not wait for ever";
    EXPECT_FALSE(overlong.ok);
    EXPECT_EQ(m_port.LastError(), static_cast<std::uint32_t>(EMSGSIZE));
    EXPECT_EQ(overlong.buffer[overlong.bytesRead], '\0');

    // The tail of the broken line is dropped with its CR; the next line comes whole.
    ASSERT_TRUE(m_pty.WriteToMaster("yy\rnext\r"));
    const ReadOutcome next = ReadWithin(m_port, CAPACITY);
    EXPECT_TRUE(next.ok);
    EXPECT_EQ(next.Text(), std::string("next\0", 5));
}

// Bytes a 7-bit line cannot carry, sent without end, must not make a line that never ends.
TEST_F(SerialPortOnPty, FailsAFloodOfEightBitBytesWithoutCrAsAnOverlongLine) {
    ASSERT_TRUE(m_pty.WriteToMaster(std::string(3000, '\x80') + "\rok\r"));
    const ReadOutcome flood = ReadWithin(m_port);
    ASSERT_TRUE(flood.finished) << "the flood must end as a failed read";
    EXPECT_FALSE(flood.ok);
    EXPECT_EQ(m_port.LastError(), static_cast<std::uint32_t>(EMSGSIZE));
    EXPECT_FALSE(HasEightBitByte(flood.buffer));
    const ReadOutcome next = ReadWithin(m_port);
    EXPECT_TRUE(next.ok);
    EXPECT_EQ(next.Text(), std::string("ok\0", 3));
}

TEST_F(SerialPortOnPty, FailsDamagedLinesAndKeepsEightBitBytesOutOfTheText) {
    for (const std::string damaged : {"ab\xE9"
                                      "c\r",
                                      "x\xFFy\r"}) {
        SCOPED_TRACE(damaged);
        ASSERT_TRUE(m_pty.WriteToMaster(damaged));
        const ReadOutcome bad = ReadWithin(m_port);
        EXPECT_FALSE(bad.ok);
        EXPECT_EQ(m_port.LastError(), static_cast<std::uint32_t>(EIO));
        EXPECT_FALSE(HasEightBitByte(bad.buffer));

        // The error belonged to that line only.
        ASSERT_TRUE(m_pty.WriteToMaster("ok\r"));
        const ReadOutcome good = ReadWithin(m_port);
        EXPECT_TRUE(good.ok);
        EXPECT_EQ(good.Text(), std::string("ok\0", 3));
    }
}

TEST_F(SerialPortOnPty, WritesEveryByteToTheLine) {
    EXPECT_TRUE(m_port.Write("!i\r", 3));
    EXPECT_EQ(m_pty.ReadFromMaster(3), "!i\r");

    // Far more than the terminal buffers at once: the write has to wait and go on.
    std::string large(256 * 1024, '\0');
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<char>('A' + i % 26);
    }
    std::string received;
    std::thread farEnd([&] { received = m_pty.ReadFromMaster(large.size(), 10s); });
    EXPECT_TRUE(m_port.Write(large.data(), static_cast<std::uint32_t>(large.size())));
    farEnd.join();
    EXPECT_TRUE(received == large) << "received " << received.size() << " bytes";
}

TEST_F(SerialPortOnPty, RefusesToWriteOrReadOnceClosed) {
    m_port.Close();
    EXPECT_FALSE(m_port.Write("!i\r", 3));
    EXPECT_EQ(m_pty.ReadFromMaster(1, 100ms), "");

    const ReadOutcome read = ReadWithin(m_port);
    ASSERT_TRUE(read.finished);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.bytesRead, 0u);
    EXPECT_EQ(read.buffer[0], '\0');
}

TEST_F(SerialPortOnPty, CloseEndsABlockedReadPromptly) {
    std::atomic<pid_t> readerId{0};
    std::atomic<bool> result{true};
    Clock::time_point returned;
    std::thread reader([&] {
        readerId = gettid();
        std::vector<char> buffer(PROXY_CAPACITY + 4);
        std::uint32_t bytesRead = 0;
        result = m_port.Read(buffer.data(), PROXY_CAPACITY, bytesRead);
        returned = Clock::now();
    });
    EXPECT_TRUE(WaitUntil([&] { return readerId != 0 && IsThreadSleeping(readerId); }));
    const Clock::time_point closing = Clock::now();
    EXPECT_TRUE(m_port.Close());
    const Clock::time_point closed = Clock::now();
    reader.join();

    const double wakeMs = MillisecondsSince(closing, returned);
    std::printf("[ measure  ] blocked Read returned %.3f ms after Close began; Close took %.3f "
                "ms\n",
                wakeMs, MillisecondsSince(closing, closed));
    EXPECT_FALSE(result);
    EXPECT_LT(wakeMs, 50.0);
    EXPECT_FALSE(m_port.IsOpen());
}

TEST_F(SerialPortOnPty, CloseEndsABlockedWrite) {
    // Nobody reads the master, so a large write fills the terminal and blocks.
    const std::string flood(1024 * 1024, 'w');
    std::atomic<pid_t> writerId{0};
    std::atomic<bool> result{true};
    std::thread writer([&] {
        writerId = gettid();
        result = m_port.Write(flood.data(), static_cast<std::uint32_t>(flood.size()));
    });
    EXPECT_TRUE(WaitUntil([&] { return writerId != 0 && IsThreadSleeping(writerId); }));
    const Clock::time_point closing = Clock::now();
    m_port.Close();
    writer.join();

    const double ms = MillisecondsSince(closing, Clock::now());
    std::printf("[ measure  ] blocked Write ended %.3f ms after Close began\n", ms);
    EXPECT_FALSE(result);
    EXPECT_LT(ms, 500.0);
}

// The far end stops reading: once the terminal's buffer is full, a command cannot leave. The
// write must give up at its deadline instead of holding every writer for ever.
TEST_F(SerialPortOnPty, AWriteTheDeviceNoLongerTakesFailsAtItsDeadline) {
    PtyPair::FillSlaveOutput(m_observer.Get());
    std::atomic<bool> done{false};
    std::atomic<bool> result{true};
    const Clock::time_point start = Clock::now();
    std::thread writer([&] {
        result = m_port.Write("!d\r", 3);
        done = true;
    });
    const bool ended = WaitUntil([&] { return done.load(); }, 5s);
    if (!ended) {
        m_port.Close();
    }
    writer.join();
    const double ms = MillisecondsSince(start, Clock::now());
    ASSERT_TRUE(ended) << "the write waited for ever";
    EXPECT_FALSE(result);
    EXPECT_EQ(m_port.LastError(), static_cast<std::uint32_t>(ETIMEDOUT));
    EXPECT_GE(ms, static_cast<double>(LineWriteDeadline(3).count()) - 1.0);

    // The reading thread failing afterwards does not change why the write failed.
    ASSERT_TRUE(m_pty.WriteToMaster(std::string(PROXY_CAPACITY + 1, 'x')));
    EXPECT_FALSE(ReadWithin(m_port).ok);
    EXPECT_EQ(m_port.LastError(), static_cast<std::uint32_t>(EMSGSIZE));
    EXPECT_EQ(m_port.LastWriteError(), static_cast<std::uint32_t>(ETIMEDOUT));
}

TEST_F(SerialPortOnPty, CloseLetsTheLastCommandLeave) {
    ASSERT_TRUE(m_port.Write("!T3,1,1,0,00100,00100,00100\r", 28));
    EXPECT_TRUE(m_port.Close());
    EXPECT_EQ(m_pty.ReadFromMaster(28), "!T3,1,1,0,00100,00100,00100\r");
}

TEST_F(SerialPortOnPty, HungUpLineFailsReadsWithoutSpinning) {
    m_pty.CloseMaster();
    std::vector<char> buffer(PROXY_CAPACITY + 4);
    std::uint32_t bytesRead = 0;
    int reads = 0;
    int successes = 0;
    const Clock::time_point start = Clock::now();
    while (Clock::now() - start < 1s) {
        successes += m_port.Read(buffer.data(), PROXY_CAPACITY, bytesRead) ? 1 : 0;
        ++reads;
    }
    std::printf("[ measure  ] %d Reads returned in 1 s on a hung-up line\n", reads);
    EXPECT_EQ(successes, 0);
    EXPECT_LE(reads, 15);
    EXPECT_GE(reads, 3);
    EXPECT_EQ(m_port.LastError(), static_cast<std::uint32_t>(EIO));
    EXPECT_FALSE(m_port.Write("!i\r", 3));
    EXPECT_TRUE(m_port.Close());
}
