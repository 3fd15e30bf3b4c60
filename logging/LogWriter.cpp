#include "logging/LogWriter.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// O_APPEND: every record lands at the end, also when another program appends to the same file.
constexpr int OPEN_FLAGS = O_APPEND | O_CLOEXEC;
constexpr mode_t NEW_FILE_MODE = 0644;

} // namespace

CLogWriter::Opened CLogWriter::Open(const std::string& path) {
    Close();
    m_fd.Reset(::open(path.c_str(), O_RDWR | OPEN_FLAGS));
    if (m_fd) {
        return Opened::Exists;
    }
    const int openError = errno;
    // Only a file that is not there is created: one that exists but could not be opened for
    // reading and writing (write-only, say) is never emptied without the question.
    m_fd.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | OPEN_FLAGS, NEW_FILE_MODE));
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
    return true;
}

CLogWriter::Written CLogWriter::Write(std::string_view record) {
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
}

bool CLogWriter::Fail() {
    m_error = m_fd ? errno : EBADF;
    return false;
}
