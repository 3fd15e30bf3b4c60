// What one sensor line publishes as events arrive: pure, no broker.

#include <algorithm>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "publish/SensorPublisher.h"

namespace {

constexpr unsigned FOUR_CHANNELS = 4;     // Spectrel-4
constexpr unsigned FIFTEEN_CHANNELS = 15; // Spectrel-15: the recognised channel's number

SensorSnapshot Snapshot(const std::string& serial, unsigned model = FOUR_CHANNELS) {
    SensorSnapshot snapshot;
    snapshot.Identity = {model, serial, 1, 5};
    snapshot.IdentityText = R"({"device":"/dev/ttyUSB0","serial":")" + serial + "\"}";
    snapshot.SettingsText = R"({"averaging":3})";
    snapshot.ChannelsText = R"([{"channel":1}])";
    return snapshot;
}

const std::string READING = R"({"red":12.5,"green":40,"blue":3.25,"match":5})";

std::vector<std::string> Topics(const std::vector<MqttMessage>& messages) {
    std::vector<std::string> topics;
    for (const MqttMessage& message : messages) {
        topics.push_back(message.Topic);
    }
    return topics;
}

MqttMessage Retained(const std::string& topic, const std::string& payload) {
    return {topic, payload, true, 1};
}

SensorPublisher Publisher(const std::string& discovery = "") {
    return SensorPublisher(TopicNames("plant/line1", "spectrel-desk"), discovery);
}

} // namespace

TEST(SensorPublisherTest, FirstContactThenReadingsPublishMatchChangesOnly) {
    SensorPublisher publisher = Publisher();
    EXPECT_TRUE(publisher.OnReading(READING, 1).empty()) << "nothing before first contact";

    const std::vector<MqttMessage> contact = publisher.OnContact(Snapshot("A100"));
    EXPECT_EQ(contact,
              (std::vector<MqttMessage>{Retained("plant/line1/A100/identity",
                                                 R"({"device":"/dev/ttyUSB0","serial":"A100"})"),
                                        Retained("plant/line1/A100/settings", R"({"averaging":3})"),
                                        Retained("plant/line1/A100/channels", R"([{"channel":1}])"),
                                        Retained("plant/line1/A100/availability", "online")}));

    // Channels 1 and 3 recognise the target: every channel's state at the first reading.
    EXPECT_EQ(publisher.OnReading(READING, 0b0101),
              (std::vector<MqttMessage>{{"plant/line1/A100/reading", READING, false, 0},
                                        Retained("plant/line1/A100/match/1", "ON"),
                                        Retained("plant/line1/A100/match/2", "OFF"),
                                        Retained("plant/line1/A100/match/3", "ON"),
                                        Retained("plant/line1/A100/match/4", "OFF")}));
    EXPECT_EQ(Topics(publisher.OnReading(READING, 0b0101)),
              std::vector<std::string>{"plant/line1/A100/reading"});
    const std::vector<MqttMessage> changed = publisher.OnReading(READING, 0b0110);
    EXPECT_EQ(std::vector(changed.begin() + 1, changed.end()),
              (std::vector<MqttMessage>{Retained("plant/line1/A100/match/1", "OFF"),
                                        Retained("plant/line1/A100/match/2", "ON")}));
}

TEST(SensorPublisherTest, FifteenChannelModelsReportTheRecognisedChannelsNumber) {
    SensorPublisher publisher = Publisher();
    publisher.OnContact(Snapshot("F15", FIFTEEN_CHANNELS));
    const std::vector<MqttMessage> first = publisher.OnReading(READING, 3);
    ASSERT_EQ(first.size(), 1U + 15U);
    for (unsigned channel = 1; channel <= 15; ++channel) {
        EXPECT_EQ(first[channel].Payload, channel == 3 ? "ON" : "OFF") << channel;
    }
    const std::vector<MqttMessage> moved = publisher.OnReading(READING, 7);
    EXPECT_EQ(std::vector(moved.begin() + 1, moved.end()),
              (std::vector<MqttMessage>{Retained("plant/line1/F15/match/3", "OFF"),
                                        Retained("plant/line1/F15/match/7", "ON")}));
    EXPECT_EQ(publisher.OnReading(READING, 0).size(), 2U) << "no channel recognised";
}

TEST(SensorPublisherTest, LossAndSwapNeverPublishUnderTheOldSerial) {
    SensorPublisher publisher = Publisher();
    EXPECT_TRUE(publisher.OnLoss().empty()) << "no sensor yet";
    publisher.OnContact(Snapshot("A100"));
    publisher.OnReading(READING, 1);

    EXPECT_EQ(publisher.OnLoss(),
              std::vector<MqttMessage>{Retained("plant/line1/A100/availability", "offline")});
    EXPECT_TRUE(publisher.OnLoss().empty()) << "offline once";
    EXPECT_TRUE(publisher.OnReading(READING, 1).empty()) << "nothing until identified again";

    // Found again after the loss: everything again, match states included.
    const std::vector<MqttMessage> again = publisher.OnContact(Snapshot("A100"));
    EXPECT_EQ(again.back(), Retained("plant/line1/A100/availability", "online"));
    EXPECT_EQ(publisher.OnReading(READING, 1).size(), 1U + FOUR_CHANNELS);

    // Another sensor answers on the line without a loss in between: the old one goes offline
    // first, then the new serial takes over its own tree.
    const std::vector<MqttMessage> swapped = publisher.OnContact(Snapshot("B200"));
    EXPECT_EQ(swapped.front(), Retained("plant/line1/A100/availability", "offline"));
    for (std::size_t i = 1; i < swapped.size(); ++i) {
        EXPECT_TRUE(swapped[i].Topic.starts_with("plant/line1/B200/")) << swapped[i].Topic;
    }
    EXPECT_EQ(publisher.Offline(),
              std::vector<MqttMessage>{Retained("plant/line1/B200/availability", "offline")});
}

TEST(SensorPublisherTest, RetainedTopicsForABrokerReconnect) {
    SensorPublisher publisher = Publisher();
    EXPECT_TRUE(publisher.Retained().empty());
    publisher.OnContact(Snapshot("A100"));
    publisher.OnReading(READING, 0b0010);
    const std::vector<MqttMessage> retained = publisher.Retained();
    EXPECT_TRUE(std::ranges::all_of(retained, [](const MqttMessage& m) { return m.Retained; }));
    EXPECT_EQ(Topics(retained), (std::vector<std::string>{
                                    "plant/line1/A100/identity", "plant/line1/A100/settings",
                                    "plant/line1/A100/channels", "plant/line1/A100/availability",
                                    "plant/line1/A100/match/1", "plant/line1/A100/match/2",
                                    "plant/line1/A100/match/3", "plant/line1/A100/match/4"}));
    EXPECT_EQ(retained[5].Payload, "ON");

    publisher.OnLoss();
    EXPECT_EQ(publisher.Retained(),
              std::vector<MqttMessage>{Retained("plant/line1/A100/availability", "offline")});
    EXPECT_TRUE(publisher.Offline().empty()) << "already offline";
}

TEST(SensorPublisherTest, DiscoveryDescribesOneDevicePerSensor) {
    SensorPublisher publisher = Publisher("homeassistant");
    const std::vector<MqttMessage> contact = publisher.OnContact(Snapshot("A100"));
    std::vector<nlohmann::json> sensors;
    std::vector<nlohmann::json> binaries;
    for (const MqttMessage& message : contact) {
        if (message.Topic.starts_with("homeassistant/sensor/")) {
            sensors.push_back(nlohmann::json::parse(message.Payload));
        } else if (message.Topic.starts_with("homeassistant/binary_sensor/")) {
            binaries.push_back(nlohmann::json::parse(message.Payload));
            EXPECT_TRUE(message.Topic.ends_with("/config") && message.Retained) << message.Topic;
        }
    }
    ASSERT_EQ(sensors.size(), 3U);
    ASSERT_EQ(binaries.size(), FOUR_CHANNELS);
    EXPECT_EQ(contact.back().Topic, "plant/line1/A100/availability") << "online comes last";

    const nlohmann::json& red = sensors[0];
    EXPECT_EQ(red["state_topic"], "plant/line1/A100/reading");
    EXPECT_EQ(red["value_template"], "{{ value_json.red }}");
    EXPECT_EQ(red["unit_of_measurement"], "%");
    EXPECT_EQ(red["availability_mode"], "all");
    EXPECT_EQ(red["availability"],
              nlohmann::json::parse(R"([{"topic":"plant/line1/A100/availability"},
                                        {"topic":"plant/line1/bridge/spectrel-desk/availability"}])"));
    EXPECT_EQ(red["device"], nlohmann::json::parse(R"({"identifiers":["A100"],
        "name":"Spectrel-4 A100","model":"Spectrel-4","sw_version":"1.05"})"));
    EXPECT_NE(red["unique_id"], sensors[1]["unique_id"]);

    const nlohmann::json& third = binaries[2];
    EXPECT_EQ(third["state_topic"], "plant/line1/A100/match/3");
    EXPECT_EQ(third["payload_on"], "ON");
    EXPECT_EQ(third["payload_off"], "OFF");
    EXPECT_EQ(third["device"], red["device"]);

    // A serial garbled by a disturbed line is no reason to stop publishing.
    SensorPublisher garbled = Publisher("homeassistant");
    EXPECT_NO_THROW(garbled.OnContact(Snapshot("A1\xff")));
}

TEST(SensorPublisherTest, NamesCannotLeaveTheirTopicLevel) {
    const TopicNames topics("spectrel", "desk/+#");
    EXPECT_EQ(topics.Sensor("A/1+#", "reading"), "spectrel/A_1__/reading");
    EXPECT_EQ(topics.BridgeAvailability(), "spectrel/bridge/desk___/availability");
    EXPECT_EQ(topics.Sensor("", "identity"), "spectrel/_/identity");
    std::string error;
    for (const char* bad : {"", "plant/#", "a+b", "/plant", "plant/"}) {
        EXPECT_FALSE(TopicNames::CheckPrefix(bad, error)) << bad;
        EXPECT_NE(error.find("topic prefix"), std::string::npos);
    }
    EXPECT_TRUE(TopicNames::CheckPrefix("plant/line1", error));
}
