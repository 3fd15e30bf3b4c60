#pragma once

#include <string>

#include "teach/MultiSampleTeachView.h"

// The six numeric fields of the Manual Entry dialog.
enum ManualField : int {
    FIELD_RED,
    FIELD_GREEN,
    FIELD_BLUE,
    FIELD_RED_TOLERANCE,
    FIELD_GREEN_TOLERANCE,
    FIELD_BLUE_TOLERANCE,
    MANUAL_FIELDS
};

// The "Manual Entry" dialog as its controller sees it. The fields' texts live in the
// controller's numeric behaviours, which the view's edits show; this is what remains.
class ManualEntryView {
public:
    virtual ~ManualEntryView() = default;
    // The group box around the fields: "Color && Luminosity" or "Color Only".
    virtual void SetGroupCaption(const std::string& caption) = 0;
    virtual void SetBackgroundColor(ManualField field, int red, int green, int blue) = 0;
    virtual void EndDialog(DialogResult result) = 0;
};
