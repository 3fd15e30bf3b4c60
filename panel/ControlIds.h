#pragma once

#include <array>

// Controls of the main window. The numbers are those of the Windows tool's dialog, so a control
// keeps one identity across the tool, its documentation and the view's object names.
enum ControlId : int {
    // "Sensor Settings"
    IDC_AVERAGING = 1000,           // combo "Averaging", "1".."512"
    IDC_OUTPUT_DURATION = 1002,     // combo "Minimum Output Duration (ms)", "0".."100"
    IDC_ILLUMINATION_SLIDER = 1003, // slider 0..100, the illumination
    IDC_ILLUMINATION = 1004,        // edit "Illumination (%)", at most 3 characters
    IDC_READ_SETTINGS = 1007,       // button "Read Spectrel Settings"
    IDC_SEND_SETTINGS = 1008,       // button "Send Spectrel Settings"
    IDC_TRIGGER_FREE_RUN = 1059,    // radio "Free Run" (first of the triggering group)
    IDC_TRIGGER_LEVEL = 1060,       // radio "Level"
    IDC_TRIGGER_EDGE = 1061,        // radio "Edge"
    IDC_AMBIENT_SUBTRACTION = 1076, // check box "Ambient Subtraction", hidden and disabled

    // "Sensor Communications"
    IDC_COMM_STATUS = 1006,   // read-only rich text "Communication status:"
    IDC_SERIAL_NUMBER = 1082, // read-only edit "Serial Number:"
    IDC_RESET = 1103,         // button "Reset"
    IDC_PORT = 1104,          // combo "Port", "COM1".."COM16"

    // "Color Recognition Channels"
    IDC_CHANNEL = 1009,           // combo "Channel", "1".. the channel count
    IDC_READ_ALL_CHANNELS = 1011, // button "Read All Spectrel Channels"
    IDC_COLOR_RED = 1014,         // read-only edits "Color (%)"
    IDC_COLOR_GREEN = 1015,
    IDC_COLOR_BLUE = 1016,
    IDC_TEACH_CHANNEL = 1017,        // button "Teach Spectrel Channel"
    IDC_SEND_ALL_CHANNELS = 1018,    // button "Send All Spectrel Channels"
    IDC_LUMINOSITY = 1020,           // read-only edit "Luminosity (%)"
    IDC_MULTI_SAMPLE_TEACH = 1021,   // button "Multi-Sample Teach Channel"
    IDC_TOLERANCE_RED_SPIN = 1022,   // spin of the red tolerance, buddy IDC_TOLERANCE_RED_STEP
    IDC_TOLERANCE_RED_STEP = 1023,   // hidden edit: red tolerance in half-percent steps
    IDC_TOLERANCE_GREEN_STEP = 1024, // hidden edit: green tolerance steps
    IDC_TOLERANCE_BLUE_STEP = 1025,  // hidden edit: blue tolerance steps
    IDC_TOLERANCE_GREEN_SPIN = 1026, // spin of the green tolerance
    IDC_TOLERANCE_BLUE_SPIN = 1027,  // spin of the blue tolerance
    IDC_MANUAL = 1028,               // button "Manual"
    IDC_TOLERANCE_RED = 1049,        // read-only edits "Tolerance (%)"
    IDC_TOLERANCE_GREEN = 1050,
    IDC_TOLERANCE_BLUE = 1051,
    IDC_MODE_COLOR_LUMINOSITY = 1062, // radio "Color && Luminosity" of "Recognition Mode"
    IDC_MODE_COLOR_ONLY = 1063,       // radio "Color only" of "Recognition Mode"
    IDC_OUTPUT_HIGH = 1064,           // radio "High" of "Match output"
    IDC_OUTPUT_LOW = 1065,            // radio "Low" of "Match output"
    IDC_CHANNEL_ENABLED = 1101,       // check box "Recognition Enabled"

    // "Current Reading"
    IDC_READING_RED = 1029, // read-only reading edits under "RED", "GREEN", "BLUE"
    IDC_READING_GREEN = 1030,
    IDC_READING_BLUE = 1031,
    IDC_RECOGNIZED_1 = 1038, // read-only recognized fields of rows 1..7
    IDC_RECOGNIZED_2 = 1039,
    IDC_RECOGNIZED_3 = 1040,
    IDC_RECOGNIZED_4 = 1041,
    IDC_DISPLAY_COLOR_ONLY = 1066,       // radio "Color only" of "Display Mode" (mode 1)
    IDC_DISPLAY_COLOR_LUMINOSITY = 1067, // radio "Color && Luminosity" (mode 0, first of group)
    IDC_RECOGNIZED_5 = 1070,
    IDC_RECOGNIZED_6 = 1071,
    IDC_RECOGNIZED_7 = 1072,
    IDC_CHART = 1081,       // the large RGB chart, 90 x 90
    IDC_LABEL_80 = 1084,    // static "80%" beside the chart
    IDC_LABEL_20 = 1085,    // static "20%" beside the chart
    IDC_INDICATOR_1 = 1086, // 11 x 11 indicator charts of rows 1..7
    IDC_INDICATOR_2 = 1087,
    IDC_INDICATOR_3 = 1088,
    IDC_INDICATOR_4 = 1089,
    IDC_INDICATOR_5 = 1090,
    IDC_INDICATOR_6 = 1091,
    IDC_INDICATOR_7 = 1092,
    IDC_ROW_LABEL_1 = 1094, // static row labels "Channel 1".."Channel 7"
    IDC_ROW_LABEL_2 = 1095,
    IDC_ROW_LABEL_3 = 1096,
    IDC_ROW_LABEL_4 = 1097,
    IDC_ROW_LABEL_5 = 1098,
    IDC_ROW_LABEL_6 = 1099,
    IDC_ROW_LABEL_7 = 1100,
    IDC_RECOGNIZED_GROUP = 1102, // group box "Recognized Colors" / "Recognized Color"
};

// Menu commands of the main window.
enum MenuCommand : int {
    ID_FILE_NEW = 57600,             // "&File " > "&New"
    ID_FILE_OPEN = 57601,            // "&Open..."
    ID_FILE_SAVE = 57603,            // "&Save"
    ID_FILE_SAVE_AS = 32775,         // "Save &As..."
    ID_FILE_EXIT = 32776,            // "E&xit"
    ID_WARNINGS_RECOGNITION = 32777, // "&Options" > "&Warnings" > "Recognition"
    ID_WARNINGS_SENSOR = 32778,      // "Sensor"
    ID_WARNINGS_APPLICATION = 32779, // "Application"
    ID_HELP_INSTRUCTIONS = 32780,    // "&Help" > "Instructions..."
    ID_LOGGING_START = 32781,        // "&Options" > "&Data Logging" > "Start"
    ID_LOGGING_STOP = 32782,         // "Stop"
    ID_LOGGING_SETTINGS = 32783,     // "Settings..."
    ID_OPTIONS_TREND = 32784,        // "&Options" > "&Trend..." (Ctrl+T)
    ID_HELP_ABOUT = 32771,           // "&Help" > "&About Spectrel..."
};

inline constexpr int RECOGNIZED_ROWS = 7;

// The controls of recognized rows 1..7, in row order.
inline constexpr std::array<ControlId, RECOGNIZED_ROWS> ROW_LABELS = {
    IDC_ROW_LABEL_1, IDC_ROW_LABEL_2, IDC_ROW_LABEL_3, IDC_ROW_LABEL_4,
    IDC_ROW_LABEL_5, IDC_ROW_LABEL_6, IDC_ROW_LABEL_7};
inline constexpr std::array<ControlId, RECOGNIZED_ROWS> INDICATORS = {
    IDC_INDICATOR_1, IDC_INDICATOR_2, IDC_INDICATOR_3, IDC_INDICATOR_4,
    IDC_INDICATOR_5, IDC_INDICATOR_6, IDC_INDICATOR_7};
inline constexpr std::array<ControlId, RECOGNIZED_ROWS> RECOGNIZED_FIELDS = {
    IDC_RECOGNIZED_1, IDC_RECOGNIZED_2, IDC_RECOGNIZED_3, IDC_RECOGNIZED_4,
    IDC_RECOGNIZED_5, IDC_RECOGNIZED_6, IDC_RECOGNIZED_7};

// The tolerance spins of red, green and blue.
inline constexpr std::array<ControlId, 3> TOLERANCE_SPINS = {
    IDC_TOLERANCE_RED_SPIN, IDC_TOLERANCE_GREEN_SPIN, IDC_TOLERANCE_BLUE_SPIN};
