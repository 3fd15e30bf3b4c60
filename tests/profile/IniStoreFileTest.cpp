#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
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

    for (const std::string& path : {huge, fifo, dir.Path()}) {
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
