#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "GuiSupport.h"
#include "panel/qt/SingleInstance.h"

namespace {

// A socket file with nobody listening, as a crashed copy leaves it.
bool LeaveStaleSocket(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = QFile::encodeName(path);
    std::copy(bytes.begin(), bytes.end(), address.sun_path);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

bool CanConnect(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    return socket.waitForConnected(1000);
}

} // namespace

TEST(SingleInstance, ASecondCopyRaisesTheFirstEvenWhenMinimised) {
    QTemporaryDir folder;
    CSingleInstance first(folder.path());
    ASSERT_TRUE(first.Claim());
    QWidget window;
    window.showMinimized();
    QObject::connect(&first, &CSingleInstance::RaiseRequested, &window, [&] {
        window.showNormal();
        window.raise();
    });

    CSingleInstance second(folder.path());
    EXPECT_FALSE(second.Claim());
    EXPECT_TRUE(second.AskFirstToRaise(2000));
    EXPECT_TRUE(WaitForEvents([&] { return !window.isMinimized(); }));
}

// A second start hands its profile over whole, whatever characters the name holds.
TEST(SingleInstance, ASecondCopyHandsItsProfileToTheFirst) {
    QTemporaryDir folder;
    CSingleInstance first(folder.path());
    ASSERT_TRUE(first.Claim());
    QStringList opened;
    QObject::connect(&first, &CSingleInstance::OpenRequested,
                     [&](const QString& profile) { opened << profile; });

    const QString name = folder.filePath(QStringLiteral("line 4\nraise %20 \u00e9.spf"));
    CSingleInstance second(folder.path());
    EXPECT_TRUE(second.AskFirstToRaise(2000, name));
    EXPECT_TRUE(WaitForEvents([&] { return !opened.isEmpty(); }));
    EXPECT_EQ(opened, QStringList{name});
}

TEST(SingleInstance, ACrashedCopysSocketDoesNotKeepTheNextOneOut) {
    QTemporaryDir folder;
    CSingleInstance instance(folder.path());
    ASSERT_TRUE(LeaveStaleSocket(instance.SocketPath()));
    ASSERT_FALSE(CanConnect(instance.SocketPath()));
    EXPECT_TRUE(instance.Claim());
    EXPECT_TRUE(CanConnect(instance.SocketPath()));
}

TEST(SingleInstance, AFolderThatCannotHoldTheLockLetsTheProgramRun) {
    QTemporaryDir folder;
    CSingleInstance instance(folder.filePath(QStringLiteral("missing")));
    EXPECT_TRUE(instance.Claim());
}

TEST(SingleInstance, ALaterCopyWithNobodyAnsweringGivesUpInTime) {
    QTemporaryDir folder;
    CSingleInstance instance(folder.path());
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(instance.AskFirstToRaise(300));
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

// The program itself: a second start exits 0 at once and leaves the first running; SIGTERM
// closes the first through its normal shut-down, which saves the preferences.
TEST(SingleInstance, SecondProgramStartExitsAndTheFirstShutsDownOnSigterm) {
    QTemporaryDir folder;
    QDir(folder.path()).mkdir(QStringLiteral("runtime"));
    QFile::setPermissions(folder.filePath(QStringLiteral("runtime")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                       folder.filePath(QStringLiteral("runtime")));

    QProcess first;
    first.setProcessEnvironment(environment);
    first.start(QStringLiteral(SPECTREL_PROGRAM), {QStringLiteral("--simulate")});
    ASSERT_TRUE(first.waitForStarted());
    const QString socket = folder.filePath(QStringLiteral("runtime/Spectrel"));
    ASSERT_TRUE(WaitForEvents([&] { return QFile::exists(socket); }, std::chrono::seconds(10)));

    QProcess second;
    second.setProcessEnvironment(environment);
    second.start(QStringLiteral(SPECTREL_PROGRAM), {QStringLiteral("--simulate")});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    ::kill(static_cast<pid_t>(first.processId()), SIGTERM);
    ASSERT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);
    EXPECT_TRUE(
        QFile::exists(folder.filePath(QStringLiteral("config/Orvane Industries/spectrel.conf"))));
    EXPECT_FALSE(QFile::exists(socket)) << "the socket goes with the program";
}
