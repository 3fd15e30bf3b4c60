#include "sim/SymbolicLink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

bool ReadLink(const std::string& linkPath, std::string& target) {
    std::array<char, 4096> buffer{};
    const ssize_t length = ::readlink(linkPath.c_str(), buffer.data(), buffer.size());
    if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        return false;
    }
    target.assign(buffer.data(), static_cast<std::size_t>(length));
    return true;
}

} // namespace

bool PointLink(const std::string& linkPath, const std::string& target, std::string& error) {
    struct stat existing {};
    if (::lstat(linkPath.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        error = linkPath + " exists and is not a symbolic link; not replacing it";
        return false;
    }
    const std::string temporary = linkPath + ".new." + std::to_string(::getpid());
    ::unlink(temporary.c_str());
    if (::symlink(target.c_str(), temporary.c_str()) != 0) {
        error = "cannot create link " + temporary + ": " + std::strerror(errno);
        return false;
    }
    if (::rename(temporary.c_str(), linkPath.c_str()) != 0) {
        error = "cannot rename link to " + linkPath + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

void RemoveLinkTo(const std::string& linkPath, const std::string& target) {
    std::string current;
    if (ReadLink(linkPath, current) && current == target) {
        ::unlink(linkPath.c_str());
    }
}
