#include <gtest/gtest.h>

#include <string>

#include "link/ComPortSetup.h"
#include "link/DeviceAddress.h"
#include "link/TelnetCodec.h"

namespace {

using Codec = TelnetCodec;

std::string Bytes(std::initializer_list<unsigned> values) {
    std::string bytes;
    for (const unsigned value : values) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

std::string Command(unsigned verb, unsigned option) {
    return Bytes({Codec::IAC, verb, option});
}

constexpr unsigned ECHO = 1;
constexpr unsigned TERMINAL_TYPE = 24;

// A sub-negotiation as the server sends it: payload bytes given as they travel.
std::string Sub(unsigned option, const std::string& wirePayload) {
    return Bytes({Codec::IAC, Codec::SB, option}) + wirePayload + Bytes({Codec::IAC, Codec::SE});
}

} // namespace

TEST(TelnetCodec, AnswersEachRequestOnceAndRefusesWhatItDoesNotKnow) {
    Codec codec(true);
    const std::string start = codec.Start();
    EXPECT_EQ(start, Command(Codec::WILL, Codec::BINARY) + Command(Codec::DO, Codec::BINARY) +
                         Command(Codec::WILL, Codec::SUPPRESS_GO_AHEAD) +
                         Command(Codec::DO, Codec::SUPPRESS_GO_AHEAD) +
                         Command(Codec::WILL, Codec::COM_PORT_OPTION));

    // What ser2net opens with: its requests cross ours.
    Codec::Input input;
    codec.Receive(Command(Codec::WILL, Codec::SUPPRESS_GO_AHEAD) +
                      Command(Codec::DO, Codec::SUPPRESS_GO_AHEAD) + Command(Codec::WILL, ECHO) +
                      Command(Codec::DONT, ECHO) + Command(Codec::DO, Codec::BINARY) +
                      Command(Codec::WILL, Codec::BINARY) +
                      Command(Codec::DO, Codec::COM_PORT_OPTION) +
                      Command(Codec::DO, TERMINAL_TYPE),
                  input);
    EXPECT_EQ(input.replies, Command(Codec::DONT, ECHO) + Command(Codec::WONT, TERMINAL_TYPE))
        << "answers to our own requests and to refusals of what is off get no reply";
    EXPECT_TRUE(input.data.empty());
    EXPECT_TRUE(codec.WeDo(Codec::COM_PORT_OPTION));
    EXPECT_TRUE(codec.WeDo(Codec::BINARY));

    // Repeated confirmations stay unanswered, so two peers never loop.
    input.Clear();
    codec.Receive(Command(Codec::DO, Codec::BINARY) + Command(Codec::WONT, ECHO), input);
    EXPECT_TRUE(input.replies.empty());

    // Switching an agreed option off is acknowledged once.
    codec.Receive(Command(Codec::DONT, Codec::BINARY) + Command(Codec::DONT, Codec::BINARY), input);
    EXPECT_EQ(input.replies, Command(Codec::WONT, Codec::BINARY));
    EXPECT_FALSE(codec.WeDo(Codec::BINARY));
}

TEST(TelnetCodec, ServerRefusingComPortControlIsNoted) {
    Codec codec(true);
    codec.Start();
    Codec::Input input;
    codec.Receive(Command(Codec::DONT, Codec::COM_PORT_OPTION), input);
    EXPECT_TRUE(codec.RefusedByServer(Codec::COM_PORT_OPTION));
    EXPECT_TRUE(input.replies.empty());

    // Without line control on offer, a server asking for it is refused.
    Codec plain(false);
    plain.Receive(Command(Codec::DO, Codec::COM_PORT_OPTION), input);
    EXPECT_EQ(input.replies, Command(Codec::WONT, Codec::COM_PORT_OPTION));
}

TEST(TelnetCodec, DataComesOutWholeWhereverTheBytesAreSplit) {
    const std::string stream =
        "!i," + Bytes({Codec::IAC, Codec::IAC}) + "6" + Bytes({Codec::IAC, 241}) + // NOP
        Sub(44, Bytes({106, 0x60})) + ",S" + Command(Codec::WILL, Codec::BINARY) + "N\r";
    const std::string expected = "!i," + Bytes({0xFF}) + "6,SN\r";
    for (std::size_t split = 0; split <= stream.size(); ++split) {
        Codec codec(true);
        Codec::Input input;
        codec.Receive(stream.substr(0, split), input);
        codec.Receive(stream.substr(split), input);
        EXPECT_EQ(input.data, expected) << "split at " << split;
        ASSERT_EQ(input.subnegotiations.size(), 1u) << "split at " << split;
        EXPECT_EQ(input.subnegotiations[0].option, 44u);
        EXPECT_EQ(input.subnegotiations[0].payload, Bytes({106, 0x60}));
    }
}

TEST(TelnetCodec, SubnegotiationsAreBoundedAndEndEvenWithoutSe) {
    Codec codec(true);
    Codec::Input input;
    codec.Receive(Sub(44, std::string(Codec::MAX_SUBNEGOTIATION + 1, 'x')) + "a", input);
    EXPECT_TRUE(input.subnegotiations.empty()) << "an overlong one is dropped whole";
    EXPECT_EQ(input.data, "a");

    input.Clear();
    codec.Receive(Bytes({Codec::IAC, Codec::SB, 44, 1, Codec::IAC, Codec::IAC, Codec::IAC,
                         Codec::DO, TERMINAL_TYPE}) +
                      "b",
                  input);
    ASSERT_EQ(input.subnegotiations.size(), 1u);
    EXPECT_EQ(input.subnegotiations[0].payload, Bytes({1, 0xFF}));
    EXPECT_EQ(input.replies, Command(Codec::WONT, TERMINAL_TYPE)) << "the command that ended it";
    EXPECT_EQ(input.data, "b");
}

TEST(TelnetCodec, CarriageReturnsOutsideBinaryModeTravelAsCrNul) {
    Codec codec(false);
    Codec::Input input;
    codec.Receive(std::string("!d\r\0!d\r", 7), input);
    EXPECT_EQ(input.data, "!d\r!d\r");
    EXPECT_EQ(Codec::Encode("!d\r", false), std::string("!d\r\0", 4));
    EXPECT_EQ(Codec::Encode(Bytes({'a', 0xFF, '\r'}), true), Bytes({'a', 0xFF, 0xFF, '\r'}));
    EXPECT_EQ(Codec::Subnegotiate(44, Bytes({1, 0xFF})),
              Bytes({Codec::IAC, Codec::SB, 44, 1, 0xFF, 0xFF, Codec::IAC, Codec::SE}));
}

TEST(ComPortSetup, AgreesOnlyWhenEveryLineSettingIsConfirmed) {
    const std::string requests = ComPortSetup::Requests();
    EXPECT_EQ(requests, Sub(44, Bytes({1, 0, 0, 0x25, 0x80})) + Sub(44, Bytes({2, 7})) +
                            Sub(44, Bytes({3, 3})) + Sub(44, Bytes({4, 1})) +
                            Sub(44, Bytes({5, 1})) + Sub(44, Bytes({5, 8})));

    ComPortSetup setup;
    setup.Take(Bytes({106, 0x60})); // a line-state notification
    setup.Take(Bytes({105, 8}));    // DTR on: not waited for, not counted as the flow answer
    setup.Take(Bytes({101, 0, 0, 0x25, 0x80}));
    setup.Take(Bytes({102, 7}));
    setup.Take(Bytes({103, 3}));
    setup.Take(Bytes({104, 1}));
    EXPECT_EQ(setup.State(), ComPortSetup::Outcome::Waiting);
    setup.Take(Bytes({105, 1}));
    EXPECT_EQ(setup.State(), ComPortSetup::Outcome::Agreed);

    for (const std::string& refusal :
         {Bytes({101, 0, 0, 0x4B, 0x00}), Bytes({102, 8}), Bytes({103, 1}), Bytes({104, 2}),
          Bytes({105, 3}), Bytes({101, 0x25, 0x80})}) {
        ComPortSetup refused;
        refused.Take(refusal);
        EXPECT_EQ(refused.State(), ComPortSetup::Outcome::Refused);
    }
}

TEST(DeviceAddress, TellsPathsFromTheTwoUrlForms) {
    DeviceAddress address;
    ASSERT_TRUE(DeviceAddress::Parse("/dev/ttyUSB0", address));
    EXPECT_EQ(address.kind, DeviceAddress::Kind::Path);
    ASSERT_TRUE(DeviceAddress::Parse("rfc2217://plant-server.local:7000", address));
    EXPECT_EQ(address.kind, DeviceAddress::Kind::Rfc2217);
    EXPECT_EQ(address.host, "plant-server.local");
    EXPECT_EQ(address.port, "7000");
    ASSERT_TRUE(DeviceAddress::Parse("socket://[::1]:65535", address));
    EXPECT_EQ(address.kind, DeviceAddress::Kind::RawTcp);
    EXPECT_EQ(address.host, "::1");
    for (const char* malformed :
         {"socket://host", "socket://host:", "socket://:7000", "socket://host:0",
          "socket://host:65536", "socket://host:+7", "socket://::1:7000", "socket://[::1]7000",
          "rfc2217://host:7000/", "rfc2217://host:7000?timeout=1", "rfc2217://user@host:7"}) {
        EXPECT_FALSE(DeviceAddress::Parse(malformed, address)) << malformed;
    }
}
