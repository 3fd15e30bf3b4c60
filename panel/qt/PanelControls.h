#pragma once

#include <QPoint>
#include <QString>
#include <map>
#include <vector>

#include "panel/ControlIds.h"
#include "panel/PanelValues.h"

class CDialogLayout;
class QButtonGroup;
class QGroupBox;
class QLineEdit;
class QRect;
class QWidget;

// The controls of the main window's four areas, built into a parent widget at their places,
// each named after its control id (object name "IDC_PORT") and labelled for screen readers,
// in the tab order of the areas. Moves the bound values in and out (data exchange).
class CPanelControls {
public:
    CPanelControls(QWidget* parent, CDialogLayout& layout);

    // The control with this id, or nullptr.
    QWidget* Control(ControlId id) const;

    // Writes every value into its control; no control emits a signal meanwhile.
    void Push(const PanelValues& values);
    // Reads every control into values. When a control holds a value the exchange cannot take,
    // returns false, leaves values alone and names the control in rejected / the reason.
    bool Pull(PanelValues& values, QWidget*& rejected, QString& reason) const;

    // Sets a static's, a group box's or a button's caption.
    void SetText(ControlId id, const QString& text);
    // Tolerance spin moved by the user: its hidden step field follows, as a buddy does.
    void TakeSpinStep(ControlId spin);

private:
    struct Area {
        QWidget* Widget;
        QPoint Origin; // dialog units, window coordinates
    };
    template <class Widget>
    Widget* Add(ControlId id, const char* name, const Area& area, const QRect& units);
    QGroupBox* AddGroup(const QString& caption, const Area& area, const QRect& units);
    void AddLabel(const QString& text, const Area& area, const QRect& units,
                  QWidget* buddy = nullptr);
    void AddRadio(QButtonGroup* group, int index, ControlId id, const char* name,
                  const QString& text, const Area& area, const QRect& units);
    QLineEdit* AddReadOnlyField(ControlId id, const char* name, const Area& area,
                                const QRect& units, const QString& spokenName);

    void BuildSensorSettings(QWidget* parent);
    void BuildCommunications(QWidget* parent);
    void BuildChannels(QWidget* parent);
    void BuildColorBox(const Area& area);
    void BuildCurrentReading(QWidget* parent);
    void BuildRecognizedRows(const Area& area);
    void ApplyTabOrder() const;
    void NameRecognizedField(int row);

    struct Bindings;
    Bindings Bind(PanelValues& values) const;

    CDialogLayout& m_layout;
    std::map<ControlId, QWidget*> m_controls;
    std::vector<QWidget*> m_created; // every control, in creation order
    QButtonGroup* m_triggering = nullptr;
    QButtonGroup* m_channelMode = nullptr;
    QButtonGroup* m_matchOutput = nullptr;
    QButtonGroup* m_displayMode = nullptr;
};
