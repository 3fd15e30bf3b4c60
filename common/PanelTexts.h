#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The control panel's fixed texts: messages, status texts, captions and the fixed combo items.

inline constexpr const char* PROGRAM_TITLE = "Spectrel"; // caption of every message box
inline constexpr const char* INSTRUCTIONS_EXTENSION = ".pdf";

// Status texts of "Communication status:" and the status bar
inline constexpr const char* TEXT_WAITING = "Waiting for Spectrel...";
inline constexpr const char* TEXT_NOT_FOUND = "No Spectrel found!";
inline constexpr const char* TEXT_LOST = "Communication lost!";
inline constexpr const char* TEXT_COMMS_DISABLED = "Communications disabled";
inline constexpr const char* TEXT_ON_LINE = " on line"; // follows the model name
inline constexpr const char* TEXT_LOGGING_INACTIVE = "Data logging inactive";

// Messages always shown
inline constexpr const char* TEXT_NO_SENSOR_OBJECT = "Failed to create sensor object";
inline constexpr const char* TEXT_OPEN_PORT_FAILED = "Error opening port ";    // + port name
inline constexpr const char* TEXT_CLOSING_PORT_FAILED = "Error closing port "; // + port name
inline constexpr const char* TEXT_INSTRUCTIONS_FAILED = "Error displaying on-line instructions";

// Warnings (shown while their category is on)
inline constexpr const char* TEXT_STOP_IDENTIFY_FAILED = "Error stopping identify polling";
inline constexpr const char* TEXT_START_IDENTIFY_FAILED = "Error starting identify polling";
inline constexpr const char* TEXT_STOP_DATA_FAILED = "Error stopping current data polling";
inline constexpr const char* TEXT_START_DATA_FAILED = "Error starting current data polling";
inline constexpr const char* TEXT_CLOSE_PORT_FAILED = "Error closing communication port";
inline constexpr const char* TEXT_SENSOR_ERROR = "Sensor reported error";
inline constexpr const char* TEXT_READ_SETTINGS_FAILED = "Error reading sensor settings";
std::string ReadChannelFailedText(unsigned channel); // "Error reading channel %d"
inline constexpr const char* TEXT_SEND_SETTINGS_FAILED = "Error sending sensor settings";
// A settings list with no value chosen: the send needs all three.
inline constexpr const char* TEXT_SETTINGS_INCOMPLETE =
    "Choose the Averaging, the Triggering and the Minimum Output Duration before sending the "
    "settings.";
std::string SendChannelFailedText(unsigned channel);  // "Error sending channel %d"
std::string TeachChannelFailedText(unsigned channel); // "Error teaching channel %d"

// Status while a channel is taught: "Teaching channel %d..."
std::string TeachingText(unsigned channel);

// One line of the teach report: "Red tolerance adjusted to %g%%" for component 0, its green
// and blue twins for 1 and 2 (no other component).
std::string ToleranceAdjustedText(std::size_t component, double tolerance);

// The question asked before the illumination changes, from the sensor's value to the panel's.
inline constexpr const char* TEXT_CONFIRM_ILLUMINATION_CAPTION =
    "Confirm change in Illumination setting";
std::string ConfirmIlluminationText(int from, int to);

// About box
inline constexpr const char* TEXT_ABOUT_CAPTION = "About Spectrel";
inline constexpr const char* TEXT_FIRMWARE_UNKNOWN = "Firmware version unknown";

// "Recognized Colors" area
inline constexpr const char* TEXT_RECOGNIZED_COLORS = "Recognized Colors";
inline constexpr const char* TEXT_RECOGNIZED_COLOR = "Recognized Color"; // fifteen channels
inline constexpr const char* TEXT_FIRST_ROW = "Channel 1";
inline constexpr const char* TEXT_SINGLE_ROW = "Channel"; // fifteen channels
inline constexpr const char* TEXT_NONE_RECOGNIZED = "None";
inline constexpr const char* TEXT_OUTPUT_HIGH = "High";
inline constexpr const char* TEXT_OUTPUT_LOW = "Low";

// Items of the fixed combos: averaging 2^index samples, output duration index * 10 ms.
// Every averaging a sensor holds and a profile can name, up to 2^9 samples.
inline const std::vector<std::string> AVERAGING_ITEMS = {"1",  "2",  "4",   "8",   "16",
                                                         "32", "64", "128", "256", "512"};
inline const std::vector<std::string> OUTPUT_DURATION_ITEMS = {"0",  "10", "20", "30", "40", "50",
                                                               "60", "70", "80", "90", "100"};
// "1" to count, the items of the "Channel" combo.
std::vector<std::string> ChannelItems(int count);
