#include "publish/Discovery.h"

#include <array>
#include <cctype>
#include <nlohmann/json.hpp>

#include "publish/SensorSnapshot.h"

namespace {

constexpr int RETAINED_QOS = 1;
constexpr std::array<const char*, 3> COLOURS = {"red", "green", "blue"};

// Home Assistant takes only letters, digits, '_' and '-' in node and object ids.
std::string DiscoveryId(std::string_view name) {
    std::string id(name);
    for (char& c : id) {
        if (std::isalnum(static_cast<unsigned char>(c)) == 0 && c != '-') {
            c = '_';
        }
    }
    return id;
}

nlohmann::json Device(const SensorIdentity& identity) {
    const ModelInfo* model = FindModel(identity.ModelCode);
    const std::string modelName =
        model != nullptr && model->Name[0] != '\0' ? model->Name : "unknown";
    return {{"identifiers", nlohmann::json::array({identity.SerialNumber})},
            {"name", modelName + " " + identity.SerialNumber},
            {"model", modelName},
            {"sw_version", FormatFirmware(identity.FirmwareMajor, identity.FirmwareMinor)}};
}

nlohmann::json Common(const TopicNames& topics, const SensorIdentity& identity,
                      const std::string& uniqueId) {
    return {{"unique_id", uniqueId},
            {"object_id", uniqueId},
            {"availability", nlohmann::json::array(
                                 {{{"topic", topics.Sensor(identity.SerialNumber, "availability")}},
                                  {{"topic", topics.BridgeAvailability()}}})},
            {"availability_mode", "all"},
            {"device", Device(identity)}};
}

} // namespace

std::vector<MqttMessage> DiscoveryConfigs(const TopicNames& topics,
                                          const std::string& discoveryPrefix,
                                          const SensorIdentity& identity) {
    const std::string node = DiscoveryId(topics.Prefix() + "_" + identity.SerialNumber);
    std::vector<MqttMessage> configs;
    auto add = [&](const char* component, const std::string& object, nlohmann::json config) {
        configs.push_back(
            {discoveryPrefix + "/" + component + "/" + node + "/" + object + "/config",
             // A byte that is no UTF-8 (a disturbed line's) becomes U+FFFD rather than an error.
             config.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace), true,
             RETAINED_QOS});
    };
    for (const char* colour : COLOURS) {
        nlohmann::json config = Common(topics, identity, node + "_" + colour);
        config["name"] = std::string(1, static_cast<char>(std::toupper(colour[0]))) + (colour + 1);
        config["state_topic"] = topics.Sensor(identity.SerialNumber, "reading");
        config["value_template"] = std::string("{{ value_json.") + colour + " }}";
        config["unit_of_measurement"] = "%";
        config["state_class"] = "measurement";
        add("sensor", colour, std::move(config));
    }
    for (unsigned channel = 1; channel <= MatchChannelCount(identity.ModelCode); ++channel) {
        const std::string object = "match_" + std::to_string(channel);
        nlohmann::json config = Common(topics, identity, node + "_" + object);
        config["name"] = "Channel " + std::to_string(channel);
        config["state_topic"] = topics.Match(identity.SerialNumber, channel);
        config["payload_on"] = "ON";
        config["payload_off"] = "OFF";
        add("binary_sensor", object, std::move(config));
    }
    return configs;
}
