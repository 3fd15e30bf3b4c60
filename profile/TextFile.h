#pragma once

#include <cstddef>
#include <string>

// Whole-file reads and writes for the small text files the program keeps (preferences,
// profiles). Failures return false and word the reason with the path and the system's text.

// Files larger than this are refused: nothing the program writes comes near it, so a larger
// file is not one of ours and reading it would only cost memory.
inline constexpr std::size_t TEXT_FILE_MAX_BYTES = 1024 * 1024;

struct TextFileRead {
    bool Missing = false; // the file does not exist (not an error)
    std::string Text;
    std::string Error;
};

// Reads a regular file of at most TEXT_FILE_MAX_BYTES. False with Error when it exists but
// cannot be read, is not a regular file or is too large; true with Missing when it is absent.
bool ReadTextFile(const std::string& path, TextFileRead& result);

// Replaces the file's content in one step: the text goes to a temporary file in the same folder,
// is flushed to the disk and renamed over the old file, so a crash or a full disk leaves either
// the old or the new content, never half of one. Missing parent folders are created private
// (mode 0700). An existing file keeps its permissions, owner and group; a symbolic link stays a
// link and its target is replaced. Where the folder refuses the temporary file, or the new file
// could not take the old one's owner, the file is written in place (written over, cut to its
// new length, flushed to the disk) instead. Anything but a regular file is refused.
bool WriteTextFileAtomically(const std::string& path, const std::string& text, std::string& error);
