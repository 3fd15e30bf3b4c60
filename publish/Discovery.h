#pragma once

#include <string>
#include <vector>

#include "publish/MqttMessage.h"
#include "publish/TopicNames.h"
#include "sensor/SensorRecords.h"

// Home Assistant's MQTT discovery configs for one sensor, retained under `discoveryPrefix`:
// red, green and blue as sensors in percent read from its reading topic, and a binary sensor
// per match channel. All belong to one device named by the serial number, and are available
// only while both the sensor's and this client's availability topics say "online".
std::vector<MqttMessage> DiscoveryConfigs(const TopicNames& topics,
                                          const std::string& discoveryPrefix,
                                          const SensorIdentity& identity);
