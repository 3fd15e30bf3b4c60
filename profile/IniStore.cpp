#include "profile/IniStore.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <utility>

#include "profile/TextEncoding.h"
#include "profile/TextFile.h"

namespace {

// A read fills a buffer of this many characters, one of which ends the string.
constexpr std::size_t READ_BUFFER_CHARS = 256;
constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";
constexpr std::string_view BLANKS = " \t";

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(BLANKS);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(BLANKS) - first + 1);
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII only, whatever the locale: under a Turkish locale "SETTINGS" would not match "Settings".
bool SameName(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

int LeadingInt(std::string_view text) {
    // from_chars takes a '-' but no '+'.
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) {
            return 0;
        }
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        return text.starts_with('-') ? INT_MIN : INT_MAX;
    }
    return error == std::errc() ? value : 0;
}

// Empty when section, key and value can be written and read back; else what is wrong.
std::string_view WriteProblem(std::string_view section, std::string_view key,
                              std::string_view value) {
    const auto hasLineBreak = [](std::string_view text) {
        return text.find_first_of("\r\n") != std::string_view::npos;
    };
    const auto hasOuterBlanks = [](std::string_view text) {
        return Trim(text).size() != text.size();
    };
    if (key.empty()) {
        return "the key is empty";
    }
    if (hasLineBreak(section) || hasLineBreak(key) || hasLineBreak(value)) {
        return "a line break cannot be stored";
    }
    if (hasOuterBlanks(section) || hasOuterBlanks(key)) {
        return "a name cannot start or end with a blank";
    }
    if (section.find(']') != std::string_view::npos) {
        return "a section name cannot hold ']'";
    }
    if (key.find('=') != std::string_view::npos || key.front() == '[' || key.front() == ';' ||
        key.front() == '#') {
        return "a key cannot hold '=' nor start with '[', ';' or '#'";
    }
    return {};
}

} // namespace

CIniStore::CIniStore(std::string newFileLineEnd)
    : m_newFileLineEnd(std::move(newFileLineEnd)), m_lineEnd(m_newFileLineEnd) {
}

CIniStore::Line CIniStore::ParseLine(std::string_view text) {
    Line line;
    line.Text = text;
    const std::string_view body = Trim(text);
    if (body.empty() || body.front() == ';' || body.front() == '#') {
        return line;
    }
    if (body.front() == '[') {
        const std::size_t close = body.find(']');
        if (close != std::string_view::npos) {
            line.Kind = LineKind::Section;
            line.Name = Trim(body.substr(1, close - 1));
        }
        return line;
    }
    const std::size_t equals = text.find('=');
    const std::string_view key = Trim(text.substr(0, equals));
    if (equals == std::string_view::npos || key.empty()) {
        return line;
    }
    const std::string_view rest = text.substr(equals + 1);
    const std::size_t valueOffset = rest.find_first_not_of(BLANKS);
    line.Kind = LineKind::Entry;
    line.Name = key;
    line.ValueStart =
        valueOffset == std::string_view::npos ? text.size() : equals + 1 + valueOffset;
    line.Value = Trim(rest);
    return line;
}

bool CIniStore::SetText(std::string_view bytes) {
    m_lines.clear();
    DecodedText decoded = DecodeText(bytes);
    m_encoding = decoded.Encoding;
    std::string_view text = decoded.Text;
    m_byteOrderMark = text.starts_with(BYTE_ORDER_MARK);
    if (m_byteOrderMark) {
        text.remove_prefix(BYTE_ORDER_MARK.size());
    }
    const std::size_t firstBreak = text.find_first_of("\r\n");
    if (firstBreak == std::string_view::npos) {
        m_lineEnd = m_newFileLineEnd;
    } else {
        m_lineEnd = text.substr(firstBreak, 2) == "\r\n" ? "\r\n" : text.substr(firstBreak, 1);
    }
    // A line ends with CR LF, LF or a CR alone (as older Mac editors write), whichever comes.
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        m_lines.push_back(ParseLine(text.substr(0, end)));
        const bool crLf = end != std::string_view::npos && text.substr(end, 2) == "\r\n";
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + (crLf ? 2 : 1));
    }
    m_error = decoded.Reason;
    return m_error.empty();
}

std::string CIniStore::Text() const {
    std::string text = m_byteOrderMark ? std::string(BYTE_ORDER_MARK) : std::string();
    for (const Line& line : m_lines) {
        text += line.Text;
        text += m_lineEnd;
    }
    return EncodeText(text, m_encoding);
}

bool CIniStore::Load(const std::string& path) {
    TextFileRead file;
    if (!ReadTextFile(path, file)) {
        SetText({});
        m_error = file.Error;
        return false;
    }
    if (!SetText(file.Text)) {
        const std::string reason = m_error;
        SetText({});
        return Fail("Cannot read " + path + ": " + reason);
    }
    return true;
}

bool CIniStore::Save(const std::string& path) const {
    m_error.clear();
    std::string error;
    return WriteTextFileAtomically(path, Text(), error) || Fail(error);
}

std::vector<std::size_t> CIniStore::EntriesOf(std::string_view section) const {
    std::vector<std::size_t> entries;
    bool inside = section.empty();
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].Kind == LineKind::Section) {
            inside = SameName(m_lines[i].Name, section);
        } else if (inside && m_lines[i].Kind == LineKind::Entry) {
            entries.push_back(i);
        }
    }
    return entries;
}

bool CIniStore::HasSection(std::string_view section) const {
    return std::any_of(m_lines.begin(), m_lines.end(), [section](const Line& line) {
        return line.Kind == LineKind::Section && SameName(line.Name, section);
    });
}

std::optional<std::size_t> CIniStore::FindEntry(std::string_view section,
                                                std::string_view key) const {
    for (const std::size_t i : EntriesOf(section)) {
        if (SameName(m_lines[i].Name, key)) {
            return i;
        }
    }
    return std::nullopt;
}

// Where a new key of the section goes: after the last key of the section's first block (so
// comments and blank lines that lead into the next section stay with it), or right after the
// header of a section without keys. None when the section does not exist; section "" always
// exists, at the top of the file.
std::optional<std::size_t> CIniStore::EndOfSection(std::string_view section) const {
    bool inside = section.empty();
    std::optional<std::size_t> end;
    if (inside) {
        end = 0;
    }
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line& line = m_lines[i];
        if (line.Kind == LineKind::Section) {
            if (inside) {
                return end;
            }
            inside = SameName(line.Name, section);
            if (inside) {
                end = i + 1;
            }
        } else if (inside && line.Kind == LineKind::Entry) {
            end = i + 1;
        }
    }
    return end;
}

bool CIniStore::Fail(std::string reason) const {
    m_error = std::move(reason);
    return false;
}

std::string CIniStore::ReadString(const std::string& section, const std::string& key,
                                  const std::string& defaultValue) const {
    const std::optional<std::size_t> entry = FindEntry(section, key);
    const std::string& value = entry ? m_lines[*entry].Value : defaultValue;
    return value.substr(0, READ_BUFFER_CHARS - 1);
}

int CIniStore::ReadInt(const std::string& section, const std::string& key, int defaultValue) const {
    const std::optional<std::size_t> entry = FindEntry(section, key);
    return entry ? LeadingInt(m_lines[*entry].Value) : defaultValue;
}

bool CIniStore::WriteString(const std::string& section, const std::string& key,
                            const std::string& value) {
    m_error.clear();
    if (const std::string_view problem = WriteProblem(section, key, value); !problem.empty()) {
        return Fail("Cannot write [" + section + "]" + key + ": " + std::string(problem));
    }
    if (const std::optional<std::size_t> entry = FindEntry(section, key)) {
        // The key keeps its spelling and the blanks around '=' as the file had them.
        Line& line = m_lines[*entry];
        line = ParseLine(line.Text.substr(0, line.ValueStart) + value);
        return true;
    }
    Line line = ParseLine(key + "=" + value);
    if (const std::optional<std::size_t> end = EndOfSection(section)) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(*end), std::move(line));
        return true;
    }
    if (!m_lines.empty() && !Trim(m_lines.back().Text).empty()) {
        m_lines.push_back(ParseLine(""));
    }
    m_lines.push_back(ParseLine("[" + section + "]"));
    m_lines.push_back(std::move(line));
    return true;
}

bool CIniStore::WriteInt(const std::string& section, const std::string& key, int value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return WriteString(section, key, std::string(digits, result.ptr));
}

std::vector<std::string> CIniStore::Keys(const std::string& section) const {
    std::vector<std::string> keys;
    for (const std::size_t i : EntriesOf(section)) {
        const std::string& name = m_lines[i].Name;
        const auto same = [&name](const std::string& key) { return SameName(key, name); };
        if (std::none_of(keys.begin(), keys.end(), same)) {
            keys.push_back(name);
        }
    }
    return keys;
}
