#include "logging/LogWriter.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/FileKind.h"
#include "logging/LogRecord.h"

namespace {

// O_APPEND: every record lands at the end, also when another program appends to the same file.
// Never O_RDWR: a log opened for reading too would be a reader of its own pipe. O_NONBLOCK: the
// open of a FIFO must not wait for a reader; it is refused once open.
constexpr int OPEN_FLAGS = O_WRONLY | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
constexpr mode_t NEW_FILE_MODE = 0644;

// Why the path cannot be a log, empty when it can: a regular file, or nothing yet.
std::string NotALog(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        return S_ISREG(info.st_mode) ? "" : NotRegularFileText(info.st_mode);
    }
    std::array<char, 4096> target{};
    if (errno == ENOENT && ::readlink(path.c_str(), target.data(), target.size() - 1) >= 0) {
        return "a symbolic link to " + std::string(target.data()) + ", which does not exist";
    }
    return {};
}

// A file whose last record was cut off (a crash, a full disk) ends without a line end. A tail
// of zero bytes (a file made to a size, blocks a crash left unwritten) holds no record to end.
bool EndsInTornLine(const std::string& path) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    char last = '\n';
    return fd && ::fstat(fd.Get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
           ::pread(fd.Get(), &last, 1, info.st_size - 1) == 1 && last != '\n' && last != '\0';
}

} // namespace

CLogWriter::Opened CLogWriter::Open(const std::string& path) {
    Close();
    m_reason = NotALog(path);
    if (!m_reason.empty()) {
        m_error = EINVAL;
        return Opened::Failed;
    }
    m_fd.Reset(::open(path.c_str(), OPEN_FLAGS));
    if (m_fd) {
        struct stat info {};
        if (::fstat(m_fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
            // Swapped for something else since the look above.
            m_reason = NotRegularFileText(info.st_mode);
            m_error = EINVAL;
            Close();
            return Opened::Failed;
        }
        m_tornLine = EndsInTornLine(path);
        return Opened::Exists;
    }
    const int openError = errno;
    // Only a file that is not there is created: one that exists but could not be opened for
    // writing is never emptied without the question.
    m_fd.Reset(::open(path.c_str(), O_CREAT | O_EXCL | OPEN_FLAGS, NEW_FILE_MODE));
    if (!m_fd) {
        m_error = errno == EEXIST ? openError : errno;
        return Opened::Failed;
    }
    return Opened::Created;
}

// Truncating in place keeps the file's owner and permissions, which deleting and creating it
// again would not.
bool CLogWriter::Overwrite() {
    if (!m_fd || ::ftruncate(m_fd.Get(), 0) != 0) {
        return Fail();
    }
    m_tornLine = false;
    return true;
}

CLogWriter::Written CLogWriter::Write(std::string_view record) {
    if (m_tornLine) {
        // The torn line is ended first, so the new record starts a line of its own.
        const Written written = WriteWhole(LOG_LINE_END + std::string(record));
        m_tornLine = written != Written::Done;
        return written;
    }
    return WriteWhole(record);
}

CLogWriter::Written CLogWriter::WriteWhole(std::string_view record) {
    struct stat status {};
    if (!m_fd || ::fstat(m_fd.Get(), &status) != 0) {
        Fail();
        return Written::Failed;
    }
    if (status.st_size >= SIZE_LIMIT) {
        return Written::Full;
    }
    std::size_t done = 0;
    while (done < record.size()) {
        const ssize_t wrote = ::write(m_fd.Get(), record.data() + done, record.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            const int error = wrote < 0 ? errno : ENOSPC;
            if (done > 0 && S_ISREG(status.st_mode)) {
                // Best effort: a half line would join the next record into one bad line.
                static_cast<void>(::ftruncate(m_fd.Get(), status.st_size));
            }
            m_error = error;
            return Written::Failed;
        }
        done += static_cast<std::size_t>(wrote);
    }
    // Pipes and devices cannot be synchronised (EINVAL); what they took has gone on already.
    if (::fdatasync(m_fd.Get()) != 0 && errno != EINVAL && errno != EROFS) {
        Fail();
        return Written::Failed;
    }
    return Written::Done;
}

void CLogWriter::Close() {
    m_fd.Reset();
    m_tornLine = false;
}

std::string CLogWriter::Reason() const {
    return m_reason.empty() ? std::strerror(m_error) : m_reason;
}

bool CLogWriter::Fail() {
    m_error = m_fd ? errno : EBADF;
    m_reason.clear();
    return false;
}
