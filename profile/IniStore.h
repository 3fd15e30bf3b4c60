#pragma once

#include <string>
#include <vector>

// An INI text file held in memory: sections and keys compared without regard to case, values
// kept as written. Reads of a missing file give an empty store; Save writes a temporary file and
// renames it over the old one, so a crash never leaves half a file.
class CIniStore {
public:
    // False (with Error()) only when the file exists but cannot be read; a missing file is an
    // empty store.
    bool Load(const std::string& path);
    // Creates missing parent folders. False with Error() when the file cannot be written.
    bool Save(const std::string& path) const;

    // A string read is cut to 255 characters, as a 256-character buffer holds.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // The leading decimal integer of the value (optional sign); the default when the key is
    // missing; 0 when the value does not start with a number.
    int ReadInt(const std::string& section, const std::string& key, int defaultValue) const;
    // Replaces the value in place (keeping the key's position) or appends it to its section.
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);
    bool WriteInt(const std::string& section, const std::string& key, int value);

    // Keys of a section in file order (for [Ports]).
    std::vector<std::string> Keys(const std::string& section) const;

    const std::string& Error() const { return m_error; }

    // (private members are the implementation's own)
private:
    mutable std::string m_error;
};
