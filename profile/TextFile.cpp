#include "profile/TextFile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "common/FileDescriptor.h"
#include "common/FileKind.h"

namespace {

std::string Describe(const std::string& action, const std::string& path, int error) {
    return action + " " + path + ": " + std::system_category().message(error);
}

// Removes the temporary file on every way out except a successful rename.
class TempFileGuard {
public:
    explicit TempFileGuard(std::string path) : m_path(std::move(path)) {}
    ~TempFileGuard() {
        if (!m_path.empty()) {
            ::unlink(m_path.c_str());
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;

    void Release() { m_path.clear(); }

private:
    std::string m_path;
};

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateOneFolder(const std::string& folder, std::string& error) {
    if (folder.empty() || IsFolder(folder)) {
        return true;
    }
    if (::mkdir(folder.c_str(), 0700) == 0 || (errno == EEXIST && IsFolder(folder))) {
        return true;
    }
    // mkdir says EEXIST when a file stands where the folder should be; say what is wrong.
    error = Describe("Cannot create folder", folder, errno == EEXIST ? ENOTDIR : errno);
    return false;
}

bool CreateFolders(const std::string& folder, std::string& error) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        if (!CreateOneFolder(folder.substr(0, slash), error)) {
            return false;
        }
    }
    return CreateOneFolder(folder, error);
}

// Writing through a symbolic link must replace the file it points to, not the link itself.
std::string FollowLink(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return path;
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string target(resolved);
    std::free(resolved);
    return target;
}

// Mode 0666 lets the umask decide, as for any file the user creates.
int CreateTempFile(const std::string& target, std::string& tempPath) {
    static std::atomic<unsigned> counter{0};
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        tempPath = folder + "." + name + ".tmp" + std::to_string(::getpid()) + "-" +
                   std::to_string(counter++) + "-" + std::to_string(ticks % 1000000);
        const int fd =
            ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

// The new file takes the old one's mode, owner and group. False when it cannot take the
// owner or group (a user saving another user's file), so that the rename would give the file
// away to whoever saved it last.
bool TakeOwnerAndMode(int fd, const struct stat& old) {
    ::fchmod(fd, old.st_mode & 07777);
    struct stat made {};
    if (::fstat(fd, &made) != 0) {
        return false;
    }
    if (made.st_uid == old.st_uid && made.st_gid == old.st_gid) {
        return true;
    }
    // A change of owner clears the set-id bits, so the mode is given again afterwards.
    return ::fchown(fd, old.st_uid, old.st_gid) == 0 && ::fchmod(fd, old.st_mode & 07777) == 0;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// A rename is only durable once the folder that holds the name is on the disk too. Best
// effort: the new content is already complete, so a failure here changes nothing for the user.
void SyncFolder(const std::string& folder) {
    FileDescriptor fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) {
        ::fsync(fd.Get());
    }
}

// Over the old content, through the old file: owner, mode and links stay as they are. Not safe
// from a crash half way, so only for a file in a folder that takes no new file of this user's.
bool WriteInPlace(const std::string& target, const std::string& text, std::string& error) {
    FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    const bool written = fd.Get() >= 0 && WriteAll(fd.Get(), text) &&
                         ::ftruncate(fd.Get(), static_cast<off_t>(text.size())) == 0 &&
                         ::fsync(fd.Get()) == 0;
    if (!written) {
        error = Describe("Cannot write", target, errno);
    }
    return written;
}

std::string ParentFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return "";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool ReadTextFile(const std::string& path, TextFileRead& result) {
    result = {};
    // O_NONBLOCK: opening a FIFO planted at the path must not wait for a writer.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0) {
        result.Missing = errno == ENOENT;
        if (!result.Missing) {
            result.Error = Describe("Cannot read", path, errno);
        }
        return result.Missing;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        result.Error = Describe("Cannot read", path, errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        result.Error = "Cannot read " + path + ": " + NotRegularFileText(info.st_mode);
        return false;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got == 0) {
            return true;
        }
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.Error = Describe("Cannot read", path, errno);
            result.Text.clear();
            return false;
        }
        result.Text.append(buffer, static_cast<std::size_t>(got));
        if (result.Text.size() > TEXT_FILE_MAX_BYTES) {
            result.Error = "Cannot read " + path + ": larger than " +
                           std::to_string(TEXT_FILE_MAX_BYTES) + " bytes";
            result.Text.clear();
            return false;
        }
    }
}

bool WriteTextFileAtomically(const std::string& path, const std::string& text, std::string& error) {
    if (path.empty()) {
        error = Describe("Cannot write", "a file without a name", ENOENT);
        return false;
    }
    const std::string target = FollowLink(path);
    const std::string folder = ParentFolder(target);
    if (!CreateFolders(folder, error)) {
        return false;
    }
    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode)) {
        error = "Cannot write " + target + ": " + NotRegularFileText(old.st_mode);
        return false;
    }
    std::string tempPath;
    FileDescriptor fd(CreateTempFile(target, tempPath));
    if (fd.Get() < 0) {
        // A folder the user may not write can still hold a file the user may.
        if (exists && (errno == EACCES || errno == EPERM)) {
            return WriteInPlace(target, text, error);
        }
        error = Describe("Cannot write", target, errno);
        return false;
    }
    TempFileGuard guard(tempPath);
    if (exists && !TakeOwnerAndMode(fd.Get(), old)) {
        fd.Reset();
        return WriteInPlace(target, text, error);
    }
    // fsync reports the write errors a file system may have delayed, so close has none left.
    const bool written = WriteAll(fd.Get(), text) && ::fsync(fd.Get()) == 0;
    const int writeError = errno;
    fd.Reset();
    if (!written || ::rename(tempPath.c_str(), target.c_str()) != 0) {
        error = Describe("Cannot write", target, written ? errno : writeError);
        return false;
    }
    guard.Release();
    SyncFolder(folder);
    return true;
}
