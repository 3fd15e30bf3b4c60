#pragma once

#include <QEvent>
#include <cstdint>
#include <mutex>

#include "sensor/NotifyTarget.h"

class QObject;

// One notification of the sensor proxy on its way to the window's thread.
class CSensorEvent : public QEvent {
public:
    CSensorEvent(std::uint64_t connection, unsigned message, std::uintptr_t wParam);
    static QEvent::Type EventType();

    std::uint64_t Connection() const { return m_connection; }
    unsigned Message() const { return m_message; }
    std::uintptr_t WParam() const { return m_wParam; }

private:
    std::uint64_t m_connection;
    unsigned m_message;
    std::uintptr_t m_wParam;
};

// The sensor proxy's notification target for a Qt window: Post, from any thread, queues a
// CSensorEvent to the receiver; the event loop hands them over in posting order. Once detached,
// posts are dropped, so a thread still running never reaches a window being destroyed.
class CSensorEventTarget : public NotifyTarget {
public:
    explicit CSensorEventTarget(QObject* receiver);
    void Post(unsigned message, std::uintptr_t wParam) override;
    void PostFrom(std::uint64_t connection, unsigned message, std::uintptr_t wParam) override;
    void Detach();

private:
    std::mutex m_mutex;
    QObject* m_receiver;
};
