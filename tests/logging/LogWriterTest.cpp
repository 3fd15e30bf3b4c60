#include <gtest/gtest.h>

#include <fstream>

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
