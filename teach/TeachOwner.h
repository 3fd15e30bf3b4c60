#pragma once

#include <string>

#include "profile/PanelChannel.h"

class CSensor;

// What a teaching dialog needs of the window that opened it: the sensor proxy it talks to on
// the window's behalf, the channel it teaches and how the window shows colours, and the
// window's warnings.
class TeachOwner {
public:
    virtual CSensor* SensorProxy() = 0;
    // The channel combo's index, -1 for none.
    virtual int SelectedChannel() const = 0;
    // MODE_COLOR_ONLY or MODE_COLOR_LUMINOSITY, as the window shows colours.
    virtual int ShownChannelMode() const = 0;
    virtual const PanelChannel& Channel(int index) const = 0;
    virtual int WarningsMask() const = 0;
    // A message box, shown only while the category is switched on in the warnings mask.
    virtual void ShowWarning(const std::string& text, int category) = 0;

protected:
    ~TeachOwner() = default;
};
