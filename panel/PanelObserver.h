#pragma once

#include "sensor/SensorRecords.h"

// Someone who follows the panel beyond its own window (the Trend window): told of each reading
// the panel shows and of each moment the panel's channels may have changed (a read of all
// channels, a teach, a manual entry, a send, a profile load). Calls come on the UI thread.
class PanelObserver {
public:
    virtual ~PanelObserver() = default;
    virtual void OnReadingShown(const CurrentReading& reading) = 0;
    virtual void OnChannelsChanged() = 0;
};
