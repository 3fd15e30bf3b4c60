#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "profile/IniStore.h"
#include "profile/TextFile.h"
#include "support/TempDir.h"

namespace {

std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

std::size_t FilesIn(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) {
        ++count;
    }
    return count;
}

// Lowers the largest file this process may write, so that a write fails part way even for
// root, who passes every permission check; SIGXFSZ is ignored so the failure is an error code.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int);
};

struct Owner {
    uid_t User;
    gid_t Group;
    unsigned Mode;
    bool operator==(const Owner&) const = default;
};

Owner OwnerOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return {info.st_uid, info.st_gid, info.st_mode & 07777};
}

// Runs `work` as an ordinary user. Root passes every permission check, so as root it runs in a
// child process that has become user "nobody"; otherwise it runs here as the user running the
// tests. True when it returned true.
bool AsAnotherUser(const std::function<bool()>& work) {
    if (::geteuid() != 0) {
        return work();
    }
    const passwd* nobody = ::getpwnam("nobody");
    const uid_t user = nobody != nullptr ? nobody->pw_uid : 65534;
    const gid_t group = nobody != nullptr ? nobody->pw_gid : 65534;
    const pid_t child = ::fork();
    if (child == 0) {
        const bool done = ::setgroups(0, nullptr) == 0 && ::setresgid(group, group, group) == 0 &&
                          ::setresuid(user, user, user) == 0 && work();
        ::_exit(done ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

} // namespace

TEST(IniStoreFile, SaveAndLoadRoundTripThroughNewPrivateFolders) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string path = dir / "config/Orvane Industries/spectrel.conf";

    CIniStore missing;
    EXPECT_TRUE(missing.Load(path)) << "a missing file is an empty store";
    EXPECT_TRUE(missing.Error().empty());
    EXPECT_TRUE(missing.Keys("Settings").empty());

    CIniStore store;
    store.SetText("; kept\n[Settings]\nCOM Port=COM3\n");
    ASSERT_TRUE(store.WriteString("Settings", "Warnings", "None"));
    ASSERT_TRUE(store.Save(path)) << store.Error();
    EXPECT_EQ(ModeOf(dir / "config"), 0700u);
    EXPECT_EQ(ModeOf(dir / "config/Orvane Industries"), 0700u);
    EXPECT_EQ(FileText(path), "; kept\n[Settings]\nCOM Port=COM3\nWarnings=None\n");
    EXPECT_EQ(FilesIn(dir / "config/Orvane Industries"), 1u) << "no temporary file left";

    CIniStore loaded;
    ASSERT_TRUE(loaded.Load(path)) << loaded.Error();
    EXPECT_EQ(loaded.ReadString("settings", "com port", ""), "COM3");
    EXPECT_EQ(loaded.Text(), store.Text());
}

TEST(IniStoreFile, SaveKeepsTheFileModeAndWritesThroughSymbolicLinks) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string target = dir / "real.spf";
    const std::string link = dir / "link.spf";
    WriteFile(target, "[Sensor]\nAveraging=1\n");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(::symlink("real.spf", link.c_str()), 0);

    CIniStore store;
    ASSERT_TRUE(store.Load(link));
    ASSERT_TRUE(store.WriteInt("Sensor", "Averaging", 64));
    ASSERT_TRUE(store.Save(link)) << store.Error();
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(FileText(target), "[Sensor]\nAveraging=64\n");
    EXPECT_EQ(ModeOf(target), 0640u);
}

TEST(IniStoreFile, FailedSaveLeavesTheOldFileAndNoTemporaryBehind) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string path = dir / "profile.spf";
    const std::string old = "[Sensor]\nAveraging=4\n";
    WriteFile(path, old);

    CIniStore store;
    ASSERT_TRUE(store.Load(path));
    ASSERT_TRUE(store.WriteString("Sensor", "Padding", std::string(4000, 'p')));
    {
        FileSizeLimit limit(1024);
        EXPECT_FALSE(store.Save(path));
    }
    EXPECT_NE(store.Error().find(path), std::string::npos) << store.Error();
    EXPECT_EQ(FileText(path), old);
    EXPECT_EQ(FilesIn(dir.Path()), 1u);

    // A regular file where a folder should be, and a folder where the file should be.
    EXPECT_FALSE(store.Save(dir / "profile.spf/inside.spf"));
    EXPECT_NE(store.Error().find("Not a directory"), std::string::npos) << store.Error();
    ASSERT_EQ(::mkdir((dir / "folder.spf").c_str(), 0700), 0);
    EXPECT_FALSE(store.Save(dir / "folder.spf"));
    EXPECT_NE(store.Error().find(dir / "folder.spf"), std::string::npos) << store.Error();
    EXPECT_EQ(FilesIn(dir.Path()), 2u);
    EXPECT_EQ(FilesIn(dir / "folder.spf"), 0u);
    EXPECT_FALSE(store.Save(""));
    EXPECT_FALSE(store.Error().empty());

    EXPECT_TRUE(store.Save(path)) << "a good save clears the error";
    EXPECT_TRUE(store.Error().empty());
}

TEST(IniStoreFile, LoadRefusesWhatIsNotASmallRegularFile) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    const std::string huge = dir / "huge.spf";
    WriteFile(huge, "[Sensor]\nAveraging=4\n" + std::string(TEXT_FILE_MAX_BYTES, ';'));
    const std::string fifo = dir / "fifo.spf";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string binary = dir / "binary.spf";
    WriteFile(binary, std::string("[Sensor]\nAveraging=4\n\0\x01", 23));

    for (const std::string& path : {huge, fifo, binary, dir.Path()}) {
        CIniStore store;
        store.SetText("[Sensor]\nAveraging=16\n");
        EXPECT_FALSE(store.Load(path)) << path;
        EXPECT_NE(store.Error().find(path), std::string::npos) << store.Error();
        EXPECT_EQ(store.ReadInt("Sensor", "Averaging", -1), -1) << "nothing of before remains";
    }

    const std::string largest = dir / "largest.spf";
    WriteFile(largest, std::string(TEXT_FILE_MAX_BYTES - 13, '#') + "\n[Sensor]\nA=1");
    CIniStore store;
    EXPECT_TRUE(store.Load(largest)) << store.Error();
    EXPECT_EQ(store.ReadInt("Sensor", "A", 0), 1);
}

// A folder that takes no new file of the user's (a shared folder of the line's profiles) still
// lets the user save a file they may write: it is written in place. And a save by another user
// than the file's owner leaves the file to its owner, mode and all.
TEST(IniStoreFile, SaveWritesInPlaceWhereTheFolderRefusesANewFileAndKeepsTheOwner) {
    TempDir dir;
    ASSERT_FALSE(dir.Path().empty());
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const std::string shared = dir / "shared";
    ASSERT_EQ(::mkdir(shared.c_str(), 0755), 0);
    const std::string path = shared + "/line4.spf";
    WriteFile(path, "[Sensor]\nAveraging=4\nIllumination=50\n");
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 0555), 0);
    const Owner before = OwnerOf(path);

    const auto save = [&path](const std::string& text) {
        CIniStore store;
        store.SetText(text);
        return store.Save(path);
    };
    EXPECT_TRUE(AsAnotherUser([&] { return save("[Sensor]\nAveraging=8\n"); }));
    EXPECT_EQ(FileText(path), "[Sensor]\nAveraging=8\n");
    EXPECT_EQ(OwnerOf(path), before);
    EXPECT_EQ(FilesIn(shared), 1u);

    if (::geteuid() == 0) {
        // A folder everyone may write: the rename would hand root's file to "nobody".
        ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
        EXPECT_TRUE(AsAnotherUser([&] { return save("[Sensor]\nAveraging=16\n"); }));
        EXPECT_EQ(FileText(path), "[Sensor]\nAveraging=16\n");
        EXPECT_EQ(OwnerOf(path), before);
        EXPECT_EQ(FilesIn(shared), 1u);
    }
}
