#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

#include "logging/LogWriter.h"
#include "support/FileText.h"
#include "support/TempDir.h"

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

off_t SizeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_size : -1;
}

const std::string RECORD = "12/07/2026 10:12:28 PM,40.0,30.0,20.0,03\r\n";

} // namespace

TEST(LogWriter, CreatesAppendsOrOverwrites) {
    TempDir temp;
    const std::string path = temp / "log.csv";
    CLogWriter writer;
    ASSERT_EQ(writer.Open(path), CLogWriter::Opened::Created);
    ASSERT_EQ(writer.Write(RECORD), CLogWriter::Written::Done);
    // Seen by another reader at once, before anything is closed.
    EXPECT_EQ(FileText(path), RECORD);
    writer.Close();

    ASSERT_EQ(writer.Open(path), CLogWriter::Opened::Exists);
    ASSERT_EQ(writer.Write(RECORD), CLogWriter::Written::Done);
    EXPECT_EQ(FileText(path), RECORD + RECORD);

    ASSERT_EQ(writer.Open(path), CLogWriter::Opened::Exists);
    ASSERT_TRUE(writer.Overwrite());
    ASSERT_EQ(writer.Write(RECORD), CLogWriter::Written::Done);
    EXPECT_EQ(FileText(path), RECORD);

    EXPECT_EQ(writer.Open(temp / "missing/log.csv"), CLogWriter::Opened::Failed);
    EXPECT_EQ(writer.LastError(), ENOENT);
    EXPECT_FALSE(writer.IsOpen());
}

// The size is tested before each record: a file just below the limit takes one more record,
// one at the limit takes none.
TEST(LogWriter, StopsAtTenMegabytes) {
    TempDir temp;
    const std::string path = temp / "log.csv";
    ASSERT_TRUE(MakeFileOfSize(path, CLogWriter::SIZE_LIMIT - 1));
    CLogWriter writer;
    ASSERT_EQ(writer.Open(path), CLogWriter::Opened::Exists);
    EXPECT_EQ(writer.Write(RECORD), CLogWriter::Written::Done);
    EXPECT_EQ(writer.Write(RECORD), CLogWriter::Written::Full);
    EXPECT_EQ(SizeOf(path), CLogWriter::SIZE_LIMIT - 1 + static_cast<off_t>(RECORD.size()));
}

// A disk that fills up in the middle of a record: the part written is cut off again, so the
// next record that fits starts a line of its own.
TEST(LogWriter, ARecordThatDoesNotFitLeavesNoHalfLine) {
    TempDir temp;
    const std::string path = temp / "log.csv";
    WriteFile(path, RECORD);
    CLogWriter writer;
    ASSERT_EQ(writer.Open(path), CLogWriter::Opened::Exists);

    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = RECORD.size() + 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const CLogWriter::Written written = writer.Write(RECORD);
    const int error = writer.LastError();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(written, CLogWriter::Written::Failed);
    EXPECT_EQ(error, EFBIG);
    EXPECT_EQ(FileText(path), RECORD);
    EXPECT_EQ(writer.Write(RECORD), CLogWriter::Written::Done);
    EXPECT_EQ(FileText(path), RECORD + RECORD);

    CLogWriter full;
    ASSERT_EQ(full.Open("/dev/full"), CLogWriter::Opened::Exists);
    EXPECT_EQ(full.Write(RECORD), CLogWriter::Written::Failed);
    EXPECT_EQ(full.LastError(), ENOSPC);
}
