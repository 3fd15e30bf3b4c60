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
    // not there is created. An existing file that cannot be opened for reading and writing
    // fails with the reason, and is left as it is.
    Opened Open(const std::string& path);
    // The existing file just opened, emptied.
    bool Overwrite();
    // Writes one record (line end included) at the end of the file. A record that could only
    // be written in part is cut off again, so the file keeps whole lines.
    Written Write(std::string_view record);
    void Close();

    bool IsOpen() const { return static_cast<bool>(m_fd); }
    int LastError() const { return m_error; }

private:
    bool Fail();

    FileDescriptor m_fd;
    int m_error = 0;
};
