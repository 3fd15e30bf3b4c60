#pragma once

class CPanelConnection;
class PanelFrame;
class PanelView;
struct PanelValues;

// "Sensor Settings": the window's copy of the sensor's settings (averaging, triggering, output
// duration, illumination), read from the sensor, edited by the user and sent to the sensor, and
// the two buttons that offer reading back and sending while the copy differs.
class CSettingsPanel {
public:
    CSettingsPanel(PanelView& view, PanelValues& values, PanelFrame& frame,
                   CPanelConnection& connection);

    // A list or a triggering radio changed: the values follow the controls.
    void Pull();
    // The illumination edit lost the focus, or the slider moved to `position`.
    void TakeIlluminationText();
    void TakeIlluminationPosition(int position);
    void Read();
    // True when the settings were written and their acknowledgement is awaited.
    bool Send();
    // The settings the sensor proxy holds, into the panel.
    void TakeFromSensor();
    void UpdateButtons();
    // Nothing shown: lists and radios without a selection, illumination 0.
    void Clear();

    static constexpr int MAX_ILLUMINATION = 100; // percent, the slider's top

private:
    bool ConfirmIllumination();

    PanelView& m_view;
    PanelValues& m_values;
    PanelFrame& m_frame;
    CPanelConnection& m_connection;
};
