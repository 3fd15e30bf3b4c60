#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/FileDescriptor.h"

// The data log file: opened or created, then one record at a time appended and flushed to the
// disk before Write returns, so a crash or a power cut loses at most the record being written
// and a program reading the file sees each record at once. A file may not grow past
// SIZE_LIMIT: the size is tested before every record, so it ends at most one record beyond.
// Failures keep the errno in LastError().
class CLogWriter {
public:
    enum class Opened { Created, Exists, Failed };
    enum class Written { Done, Full, Failed };

    static constexpr std::int64_t SIZE_LIMIT = 10LL * 1024 * 1024;

    // Opens an existing file, kept open for the caller to Overwrite or Append; a file that is
    // not there is created. An existing file that cannot be opened for writing fails with the
    // reason, and is left as it is. A log is a regular file: a FIFO, a device, a folder or a
    // symbolic link to nothing is refused (Reason() says which), so a write never waits for a
    // reader. Appending to a file whose last line was cut off starts a new line first.
    Opened Open(const std::string& path);
    // The existing file just opened, emptied.
    bool Overwrite();
    // Writes one record (line end included) at the end of the file. A record that could only
    // be written in part is cut off again, so the file keeps whole lines.
    Written Write(std::string_view record);
    void Close();

    bool IsOpen() const { return static_cast<bool>(m_fd); }
    int LastError() const { return m_error; }
    // The last failure in words: what stands at the path, or the system's text for LastError().
    std::string Reason() const;

private:
    bool Fail();
    Written WriteWhole(std::string_view record);

    FileDescriptor m_fd;
    int m_error = 0;
    std::string m_reason;
    bool m_tornLine = false; // the file ends in a line without its line end
};
