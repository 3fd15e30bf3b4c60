#include "common/FileKind.h"

#include <sys/stat.h>

std::string NotRegularFileText(unsigned mode) {
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a FIFO (named pipe)"
                       : S_ISSOCK(mode)                 ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "something else";
    return std::string("not a regular file but ") + kind;
}
