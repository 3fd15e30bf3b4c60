#pragma once

#include <string>
#include <string_view>

// The encodings a profile or preferences file may come in. Editors on Windows save "Unicode"
// as UTF-16 with a byte order mark; those files are read as text like any other and written
// back in the encoding they came in. UTF-8 (with or without its mark) passes through as it is.
enum class TextEncoding { Utf8, Utf16LE, Utf16BE };

struct DecodedText {
    TextEncoding Encoding = TextEncoding::Utf8;
    std::string Text;   // UTF-8 (or the file's own 8-bit text), without a UTF-16 byte order mark
    std::string Reason; // why the bytes are no text; empty when they are
};

// The file's bytes as text. Reason tells why they are no text: UTF-16 that is cut off or pairs
// its surrogates wrongly, or a NUL or a control character no text file holds (binaries, images,
// compressed files); Text then holds the bytes as they are.
DecodedText DecodeText(std::string_view bytes);
// UTF-8 text in the given encoding, a UTF-16 one with its byte order mark.
std::string EncodeText(std::string_view text, TextEncoding encoding);
