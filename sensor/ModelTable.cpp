#include <array>

#include "sensor/SensorRecords.h"

namespace {

// Codes 11 to 13 are not listed: no sensor reports them as a model.
constexpr std::array<ModelInfo, 13> MODELS = {{
    {0, "", 0, false},
    {1, "Spectrel-1", 1, false},
    {2, "Spectrel-1", 1, true},
    {3, "Spectrel-RGB", 4, false},
    {4, "Spectrel-4", 4, false},
    {5, "Spectrel-RGB", 4, true},
    {6, "Spectrel-4", 4, true},
    {7, "Spectrel-7", 7, false},
    {8, "Spectrel-7", 7, true},
    {9, "Spectrel-15", 15, true},
    {10, "Spectrel-VARI", 4, true},
    {14, "Spectrel-VARI", 4, false},
    {15, "Spectrel-15", 15, false},
}};

} // namespace

const ModelInfo* FindModel(unsigned modelCode) {
    for (const ModelInfo& model : MODELS) {
        if (model.Code == modelCode) {
            return &model;
        }
    }
    return nullptr;
}

bool IsFifteenChannelModel(unsigned modelCode) {
    return modelCode == 9 || modelCode == 15;
}
