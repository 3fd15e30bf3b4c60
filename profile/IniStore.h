#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "profile/TextEncoding.h"

// An INI text file held in memory: sections and keys compared without regard to case, values
// kept as written. Reads of a missing file give an empty store; Save writes a temporary file and
// renames it over the old one, so a crash never leaves half a file.
//
// Text rules: a line is "[section]", "key=value", a comment (first non-blank character ';' or
// '#'), or anything else, which is ignored. Blanks around names, '=' and values are dropped;
// nothing else is interpreted (no quotes, no escapes, no comments after a value). Keys before the
// first section belong to section "". Of two equal keys in a section the first counts. Lines end
// with LF, CR LF or CR alone; the text is UTF-8 (or 8-bit), or UTF-16 with a byte order mark. A
// save keeps the file's own line ending and encoding, its UTF-8 byte order mark, and every line
// it did not change (comments included). A store whose text holds no line break yet (a new
// file) writes the line ending it was made with. Binary files are refused.
class CIniStore {
public:
    explicit CIniStore(std::string newFileLineEnd = "\n");

    // False (with Error()) only when the file exists but cannot be read; a missing file is an
    // empty store. Files over 1 MiB, and anything but a regular file, are refused. After a failed
    // load the store is empty: a caller that saves it would replace the unread file.
    bool Load(const std::string& path);
    // Creates missing parent folders. False with Error() when the file cannot be written.
    bool Save(const std::string& path) const;

    // A string read is cut to 255 characters, as a 256-character buffer holds.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // The leading decimal integer of the value (optional sign); the default when the key is
    // missing; 0 when the value does not start with a number. A number beyond the range of int
    // reads as the nearest int (INT_MAX or INT_MIN).
    int ReadInt(const std::string& section, const std::string& key, int defaultValue) const;
    // Replaces the value in place (keeping the key's position) or appends it to its section.
    // False with Error() for text the file could not give back: an empty key, a line break
    // anywhere, a key holding '=' or starting with '[', ';' or '#', a section holding ']', blanks
    // at either end of a key or section. Blanks at the ends of a value are written but not read
    // back.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInt(const std::string& section, const std::string& key, int value);

    bool HasKey(const std::string& section, const std::string& key) const {
        return FindEntry(section, key).has_value();
    }
    // Keys of a section in file order, each once (for [Ports]).
    std::vector<std::string> Keys(const std::string& section) const;

    const std::string& Error() const { return m_error; }

    // The whole store as file bytes, and back (what Load and Save use). SetText is false with
    // Error() when the bytes are no text; the store then holds them as 8-bit lines.
    std::string Text() const;
    bool SetText(std::string_view bytes);
    bool HasSection(std::string_view section) const;

private:
    enum class LineKind { Other, Section, Entry };
    struct Line {
        std::string Text; // as it stands in the file, without the line break
        LineKind Kind = LineKind::Other;
        std::string Name;           // section name or key, without blanks around it
        std::size_t ValueStart = 0; // where the value begins in Text
        std::string Value;          // entry value, without blanks around it
    };

    static Line ParseLine(std::string_view text);
    std::vector<std::size_t> EntriesOf(std::string_view section) const;
    std::optional<std::size_t> FindEntry(std::string_view section, std::string_view key) const;
    std::optional<std::size_t> EndOfSection(std::string_view section) const;
    bool Fail(std::string reason) const;

    std::vector<Line> m_lines;
    std::string m_newFileLineEnd;
    std::string m_lineEnd;
    bool m_byteOrderMark = false;
    TextEncoding m_encoding = TextEncoding::Utf8;
    mutable std::string m_error;
};
