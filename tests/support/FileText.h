#pragma once

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

// A file's bytes as they are on disk; empty when it cannot be read.
inline std::string FileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Makes a file of `size` bytes without writing them (a hole); false when that failed.
inline bool MakeFileOfSize(const std::string& path, off_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool sized = ::ftruncate(fd, size) == 0;
    ::close(fd);
    return sized;
}
