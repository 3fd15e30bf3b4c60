#pragma once

#include <array>
#include <string>

// Every value of the main window that one data exchange moves between the controller and the
// controls (PanelView::Push / Pull). An index of -1 means "nothing selected": an empty combo
// selection or a radio group with no button checked. Colour arrays are red, green, blue.
struct PanelValues {
    // "Sensor Settings"
    int AveragingIndex = -1;      // IDC_AVERAGING selection
    int TriggeringIndex = -1;     // radios IDC_TRIGGER_FREE_RUN / _LEVEL / _EDGE = 0 / 1 / 2
    int OutputDurationIndex = -1; // IDC_OUTPUT_DURATION selection
    int AmbientSubtraction = 1;   // check box IDC_AMBIENT_SUBTRACTION, 0/1
    std::string IlluminationText; // edit IDC_ILLUMINATION, at most 3 characters
    int Illumination = 0;         // slider IDC_ILLUMINATION_SLIDER position, 0..100

    // "Sensor Communications"
    int PortIndex = -1;           // IDC_PORT selection, 0 = COM1
    std::string SerialNumberText; // IDC_SERIAL_NUMBER

    // "Color Recognition Channels"
    int SelectedChannel = -1;              // IDC_CHANNEL selection, 0-based
    int ChannelEnabled = 0;                // check box IDC_CHANNEL_ENABLED, 0/1
    int ChannelMode = -1;                  // radios IDC_MODE_COLOR_LUMINOSITY / _COLOR_ONLY = 0 / 1
    int MatchOutput = -1;                  // radios IDC_OUTPUT_HIGH / _LOW = 0 / 1
    std::array<std::string, 3> ColorTexts; // IDC_COLOR_RED / _GREEN / _BLUE
    std::string LuminosityText;            // IDC_LUMINOSITY
    std::array<int, 3> ToleranceSteps = {1, 1, 1}; // IDC_TOLERANCE_*_STEP, half-percent steps
    std::array<std::string, 3> ToleranceTexts;     // IDC_TOLERANCE_RED / _GREEN / _BLUE

    // "Current Reading"
    int DisplayMode = -1; // radios IDC_DISPLAY_COLOR_LUMINOSITY / _COLOR_ONLY = 0 / 1
    std::array<std::string, 3> ReadingTexts;    // IDC_READING_RED / _GREEN / _BLUE
    std::array<std::string, 7> RecognizedTexts; // IDC_RECOGNIZED_1 .. _7
    std::string FirstRowLabel;                  // static IDC_ROW_LABEL_1

    bool operator==(const PanelValues&) const = default;
};
