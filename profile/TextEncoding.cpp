#include "profile/TextEncoding.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::string_view UTF16LE_MARK = "\xFF\xFE";
constexpr std::string_view UTF16BE_MARK = "\xFE\xFF";
constexpr char32_t REPLACEMENT = 0xFFFD;

bool IsSurrogate(char32_t unit, char32_t first) {
    return unit >= first && unit < first + 0x400;
}

void AppendUtf8(std::string& out, char32_t code) {
    const auto put = [&out](char32_t bits) { out += static_cast<char>(bits); };
    if (code < 0x80) {
        put(code);
    } else if (code < 0x800) {
        put(0xC0 | (code >> 6));
        put(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        put(0xE0 | (code >> 12));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    } else {
        put(0xF0 | (code >> 18));
        put(0x80 | ((code >> 12) & 0x3F));
        put(0x80 | ((code >> 6) & 0x3F));
        put(0x80 | (code & 0x3F));
    }
}

// The next code point of UTF-8 text; a byte that starts no valid sequence stands for itself
// (8-bit text of an older editor), so nothing is lost on the way back.
char32_t NextUtf8(std::string_view text, std::size_t& at) {
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || at + length > text.size()) {
        ++at;
        return lead;
    }
    char32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            ++at;
            return lead;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    at += length;
    return code;
}

std::string DecodeUtf16(std::string_view bytes, bool bigEndian, std::string& reason) {
    if (bytes.size() % 2 != 0) {
        reason = "UTF-16 text cut off in the middle of a character";
        return {};
    }
    const auto unitAt = [&](std::size_t i) {
        const auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        return static_cast<char32_t>(high << 8 | low);
    };
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        char32_t code = unitAt(i);
        if (IsSurrogate(code, 0xD800) && i + 2 < bytes.size() &&
            IsSurrogate(unitAt(i + 2), 0xDC00)) {
            code = 0x10000 + ((code - 0xD800) << 10) + (unitAt(i + 2) - 0xDC00);
            i += 2;
        } else if (IsSurrogate(code, 0xD800) || IsSurrogate(code, 0xDC00)) {
            reason = "UTF-16 text with a broken surrogate pair";
            return {};
        }
        AppendUtf8(text, code);
    }
    return text;
}

// Tab, line feed, vertical tab, form feed, carriage return and the old end-of-file mark are
// the only control characters a text file holds.
bool IsTextByte(unsigned char c) {
    return c >= 0x20 || (c >= '\t' && c <= '\r') || c == 0x1A;
}

} // namespace

DecodedText DecodeText(std::string_view bytes) {
    DecodedText decoded;
    if (bytes.starts_with(UTF16LE_MARK) || bytes.starts_with(UTF16BE_MARK)) {
        const bool bigEndian = bytes.starts_with(UTF16BE_MARK);
        decoded.Encoding = bigEndian ? TextEncoding::Utf16BE : TextEncoding::Utf16LE;
        decoded.Text = DecodeUtf16(bytes.substr(UTF16LE_MARK.size()), bigEndian, decoded.Reason);
        if (decoded.Reason.empty()) {
            return decoded;
        }
    }
    decoded.Encoding = TextEncoding::Utf8;
    decoded.Text = bytes;
    if (decoded.Reason.empty() && !std::all_of(bytes.begin(), bytes.end(), [](char c) {
            return IsTextByte(static_cast<unsigned char>(c));
        })) {
        decoded.Reason = "not a text file (it holds binary data)";
    }
    return decoded;
}

std::string EncodeText(std::string_view text, TextEncoding encoding) {
    if (encoding == TextEncoding::Utf8) {
        return std::string(text);
    }
    const bool bigEndian = encoding == TextEncoding::Utf16BE;
    std::string out(bigEndian ? UTF16BE_MARK : UTF16LE_MARK);
    const auto putUnit = [&out, bigEndian](char32_t unit) {
        const auto high = static_cast<char>(unit >> 8);
        const auto low = static_cast<char>(unit & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    };
    for (std::size_t at = 0; at < text.size();) {
        char32_t code = NextUtf8(text, at);
        if (code > 0x10FFFF || IsSurrogate(code, 0xD800) || IsSurrogate(code, 0xDC00)) {
            code = REPLACEMENT;
        }
        if (code >= 0x10000) {
            putUnit(0xD800 + ((code - 0x10000) >> 10));
            putUnit(0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            putUnit(code);
        }
    }
    return out;
}
