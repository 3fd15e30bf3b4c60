// Feeds arbitrary server bytes to the telnet layer of a remote line, whole and split at a
// point taken from the input, and checks that line data comes out unchanged: every byte that
// is no telnet command is handed over, in order, however the bytes arrive.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "link/ComPortSetup.h"
#include "link/TelnetCodec.h"

namespace {

void Require(bool condition, const char* invariant) {
    if (!condition) {
        std::fprintf(stderr, "broken invariant: %s\n", invariant);
        std::abort();
    }
}

TelnetCodec::Input Run(std::string_view bytes, std::size_t split) {
    TelnetCodec codec(true);
    codec.Start();
    TelnetCodec::Input input;
    codec.Receive(bytes.substr(0, split), input);
    codec.Receive(bytes.substr(split), input);
    ComPortSetup setup;
    for (const TelnetCodec::Subnegotiation& sub : input.subnegotiations) {
        Require(sub.payload.size() <= TelnetCodec::MAX_SUBNEGOTIATION,
                "sub-negotiations stay bounded");
        if (sub.option == TelnetCodec::COM_PORT_OPTION) {
            setup.Take(sub.payload);
        }
    }
    return input;
}

// The replies are whole three-byte negotiations, each a refusal or an agreement.
void CheckReplies(const std::string& replies) {
    Require(replies.size() % 3 == 0, "replies are whole commands");
    for (std::size_t i = 0; i < replies.size(); i += 3) {
        const auto verb = static_cast<std::uint8_t>(replies[i + 1]);
        Require(static_cast<std::uint8_t>(replies[i]) == TelnetCodec::IAC &&
                    verb >= TelnetCodec::WILL && verb <= TelnetCodec::DONT,
                "a reply is IAC and a negotiation verb");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::size_t split = size == 0 ? 0 : data[0] % (size + 1);
    const TelnetCodec::Input whole = Run(bytes, size);
    const TelnetCodec::Input parts = Run(bytes, split);
    Require(whole.data == parts.data, "data does not depend on how the bytes arrive");
    Require(whole.replies == parts.replies, "replies do not depend on how the bytes arrive");
    CheckReplies(whole.replies);
    Require(whole.data.size() <= size, "no data is invented");

    // Plain data without IAC passes through byte for byte (binary mode, so CR NUL stays).
    std::string plain(bytes);
    for (char& byte : plain) {
        if (static_cast<std::uint8_t>(byte) == TelnetCodec::IAC) {
            byte = 'x';
        }
    }
    TelnetCodec binary(true);
    TelnetCodec::Input input;
    binary.Receive(std::string(1, static_cast<char>(TelnetCodec::IAC)) +
                       static_cast<char>(TelnetCodec::WILL) +
                       static_cast<char>(TelnetCodec::BINARY),
                   input);
    input.Clear();
    binary.Receive(plain, input);
    Require(input.data == plain, "data bytes come out unchanged");

    // What we send reads back as what we meant.
    TelnetCodec::Input echoed;
    binary.Receive(TelnetCodec::Encode(bytes, true), echoed);
    Require(echoed.data == bytes, "encoded data decodes to itself");
    return 0;
}
