#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The three ways a conversation with a sensor fails, worded here once so that every message
// about them reads the same:
// - the operating system refused the device (the message names it and gives the reason),
// - the sensor did not answer, or nothing it said made sense,
// - the sensor answered that it rejects the command ("?").

// Why the device refused, for a message that names it: the system's reason, except that a
// port held by another program says so and 0 (a device that vanished without an error code)
// reads "the device is gone".
std::string PortErrorReason(std::uint32_t error);

// "cannot open /dev/ttyUSB0: Permission denied", followed for a permission error by the group
// the user must belong to. `action` is what was tried ("open", "write to"); an error of 0
// (a device that vanished without an error code) reads "the device is gone".
std::string PortErrorText(std::string_view action, const std::string& device, std::uint32_t error);

// `request` names the command as a phrase: "the settings request", "the teach of channel 3".
std::string NoAnswerText(const std::string& device, std::string_view request);
// The sensor did answer, but nothing it said could be read as the answer.
std::string UnreadableAnswerText(const std::string& device, std::string_view request);
std::string SensorErrorText(const std::string& device, std::string_view request);

// Name of the group that owns `path`, empty when the path or its group cannot be looked up.
std::string OwningGroup(const std::string& path);
