#pragma once

#include <string>

// "not a regular file but a FIFO (named pipe)": why a path of this mode (st_mode) cannot be
// read or written as one of the program's files.
std::string NotRegularFileText(unsigned mode);
