#include "publish/SensorSnapshot.h"

unsigned MatchChannelCount(unsigned modelCode) {
    const ModelInfo* model = FindModel(modelCode);
    return model != nullptr ? model->Channels : 0;
}

bool ChannelRecognised(unsigned modelCode, unsigned matchStatus, unsigned channel) {
    if (IsFifteenChannelModel(modelCode)) {
        return matchStatus == channel;
    }
    return channel >= 1 && channel <= 32 && ((matchStatus >> (channel - 1)) & 1U) != 0;
}
