#include "FirstContactChain.h"

namespace {

constexpr unsigned IDENTIFY_PERIOD_MS = 500;

} // namespace

std::optional<std::chrono::steady_clock::duration> FirstContact(BenchRig& rig, unsigned channels) {
    CSensor& sensor = rig.Sensor();
    const auto start = std::chrono::steady_clock::now();
    if (!sensor.StartIdentifyPolling(IDENTIFY_PERIOD_MS) || !rig.Await(WM_SENSOR_IDENTITY)) {
        return std::nullopt;
    }
    sensor.StopIdentifyPolling();
    if (!sensor.RequestVersion() || !rig.Await(WM_SENSOR_VERSION) || !sensor.RequestSettings() ||
        !rig.Await(WM_SENSOR_SETTINGS)) {
        return std::nullopt;
    }
    std::optional<Notification> last;
    for (unsigned channel = 1; channel <= channels; ++channel) {
        if (!sensor.RequestChannel(channel) || !(last = rig.Await(WM_SENSOR_CHANNEL, channel))) {
            return std::nullopt;
        }
    }
    return last->Time - start;
}
