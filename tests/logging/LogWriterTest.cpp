#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "logging/LogWriter.h"
#include "support/FileText.h"
#include "support/TempDir.h"

namespace {

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

const std::string RECORD = "12/07/2026 10:12:28 PM,40.0,30.0,20.0,03\r\n";

} // namespace

// A disk that fills up in the middle of a record: the part written is cut off again, so the
// next record that fits starts a line of its own.
TEST(LogWriter, ARecordThatDoesNotFitLeavesNoHalfLine) {
    TempDir temp;
    const std::string path = temp / "log.csv";
    WriteFile(path, RECORD);
    CLogWriter writer;
    ASSERT_EQ(writer.Open(path), CLogWriter::Opened::Exists);

    {
        const FileSizeLimit limit(RECORD.size() + 10);
        ASSERT_TRUE(limit.Set());
        EXPECT_EQ(writer.Write(RECORD), CLogWriter::Written::Failed);
        EXPECT_EQ(writer.LastError(), EFBIG);
    }
    EXPECT_EQ(FileText(path), RECORD);
    EXPECT_EQ(writer.Write(RECORD), CLogWriter::Written::Done);
    EXPECT_EQ(FileText(path), RECORD + RECORD);
}

// A log is a regular file. Anything else is refused with what it is, and never opened for
// reading: a FIFO would otherwise be read by the log itself, and a write would wait for good
// once its pipe is full.
TEST(LogWriter, RefusesWhatIsNotARegularFile) {
    TempDir temp;
    const std::string fifo = temp / "fifo.csv";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string dangling = temp / "dangling.csv";
    ASSERT_EQ(::symlink("gone.csv", dangling.c_str()), 0);
    const std::pair<std::string, std::string> cases[] = {
        {fifo, "not a regular file but a FIFO (named pipe)"},
        {"/dev/null", "not a regular file but a device"},
        {temp.Path(), "not a regular file but a folder"},
        {dangling, "a symbolic link to gone.csv, which does not exist"},
    };
    for (const auto& [path, reason] : cases) {
        CLogWriter writer;
        EXPECT_EQ(writer.Open(path), CLogWriter::Opened::Failed) << path;
        EXPECT_EQ(writer.Reason(), reason);
        EXPECT_FALSE(writer.IsOpen());
    }
    EXPECT_FALSE(std::filesystem::exists(temp / "gone.csv"));
}

// A record cut off by a crash or a full disk: the next one starts on a line of its own.
TEST(LogWriter, AppendingAfterATornRecordStartsANewLine) {
    TempDir temp;
    const std::string path = temp / "log.csv";
    const std::string torn = RECORD.substr(0, 20);
    WriteFile(path, RECORD + torn);
    CLogWriter writer;
    ASSERT_EQ(writer.Open(path), CLogWriter::Opened::Exists);
    EXPECT_EQ(writer.Write(RECORD), CLogWriter::Written::Done);
    EXPECT_EQ(writer.Write(RECORD), CLogWriter::Written::Done);
    EXPECT_EQ(FileText(path), RECORD + torn + "\r\n" + RECORD + RECORD);
}
