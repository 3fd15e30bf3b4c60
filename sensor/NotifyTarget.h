#pragma once

#include <cstdint>

// Notifications the sensor proxy posts; the numbers are those of the Windows tool's messages.
enum SensorMessage : unsigned {
    WM_SENSOR_TIMEOUT = 1025,
    WM_SENSOR_READ_ERROR = 1026,
    WM_SENSOR_ERROR_REPLY = 1027,
    WM_SENSOR_IDENTITY = 1028,
    WM_SENSOR_SETTINGS = 1029,
    WM_SENSOR_SETTINGS_SENT = 1030,
    WM_SENSOR_CHANNEL = 1031,
    WM_SENSOR_CHANNEL_SENT = 1032,
    WM_SENSOR_DATA = 1033,
    WM_SENSOR_VERSION = 1034,
    WM_SENSOR_TEACH = 1035,
};

// First parameter of WM_SENSOR_TIMEOUT.
enum SensorTimeout : unsigned {
    SENSOR_TIMEOUT_IDENTIFY = 0,
    SENSOR_TIMEOUT_DATA = 1,
    SENSOR_TIMEOUT_REPLY = 2,
};

// Receiver of the proxy's notifications. Post is called from the proxy's receive and timer
// threads: it must be thread-safe, keep posting order and return without waiting for the
// notification to be handled.
//
// The proxy posts through PostFrom, with the number of the connection the notification belongs
// to (CSensor::Connection), so that a receiver can drop what an earlier connection left queued.
// A target that needs no such number takes Post alone; a notification posted without one
// carries NO_CONNECTION.
class NotifyTarget {
public:
    static constexpr std::uint64_t NO_CONNECTION = 0;

    virtual ~NotifyTarget() = default;
    virtual void Post(unsigned message, std::uintptr_t wParam) = 0;
    virtual void PostFrom(std::uint64_t connection, unsigned message, std::uintptr_t wParam) {
        static_cast<void>(connection);
        Post(message, wParam);
    }
};
