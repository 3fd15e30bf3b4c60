// The broker URL as the user writes it: schemes, default ports, IPv6 in brackets, and a clear
// reason for everything else.

#include <gtest/gtest.h>

#include "publish/BrokerUrl.h"

TEST(BrokerUrlTest, SchemesHostsAndPorts) {
    struct Case {
        const char* Text;
        const char* Host;
        unsigned Port;
        bool Tls;
    };
    for (const Case& c : {Case{"mqtt://broker.plant", "broker.plant", 1883, false},
                          Case{"mqtts://broker.plant", "broker.plant", 8883, true},
                          Case{"mqtt://127.0.0.1:1884", "127.0.0.1", 1884, false},
                          Case{"mqtts://[::1]:8884", "::1", 8884, true},
                          Case{"mqtt://[::1]", "::1", 1883, false}}) {
        BrokerUrl url;
        std::string error;
        ASSERT_TRUE(BrokerUrl::Parse(c.Text, url, error)) << c.Text << ": " << error;
        EXPECT_EQ(url.Host, c.Host) << c.Text;
        EXPECT_EQ(url.Port, c.Port) << c.Text;
        EXPECT_EQ(url.Tls, c.Tls) << c.Text;
    }
}

TEST(BrokerUrlTest, WrongUrlsAreRefusedWithTheReason) {
    struct Case {
        const char* Text;
        const char* Reason;
    };
    for (const Case& c :
         {Case{"tcp://broker:1883", "must start with mqtt:// or mqtts://"},
          Case{"broker:1883", "must start with mqtt:// or mqtts://"},
          Case{"mqtt://", "needs a host"}, Case{"mqtt://:1883", "needs a host"},
          Case{"mqtt://broker/topic", "needs a host"}, Case{"mqtt://user@broker", "needs a host"},
          Case{"mqtt://broker:", "port is missing"}, Case{"mqtt://broker:0", "from 1 to 65535"},
          Case{"mqtt://broker:65536", "from 1 to 65535"},
          Case{"mqtt://broker:+80", "from 1 to 65535"},
          Case{"mqtt://broker:80x", "from 1 to 65535"}, Case{"mqtt://::1:1883", "in brackets"},
          Case{"mqtt://[::1", "no closing ']'"}, Case{"mqtt://[::1]x", "only ':PORT'"},
          Case{"mqtt://[]:1883", "needs a host"}}) {
        BrokerUrl url;
        std::string error;
        EXPECT_FALSE(BrokerUrl::Parse(c.Text, url, error)) << c.Text;
        EXPECT_NE(error.find(c.Reason), std::string::npos) << c.Text << ": " << error;
        EXPECT_NE(error.find(c.Text), std::string::npos) << error;
    }
}
