#include "widgets/qt/SensorEventTarget.h"

#include <QCoreApplication>

CSensorEvent::CSensorEvent(std::uint64_t connection, unsigned message, std::uintptr_t wParam)
    : QEvent(EventType()), m_connection(connection), m_message(message), m_wParam(wParam) {
}

QEvent::Type CSensorEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

CSensorEventTarget::CSensorEventTarget(QObject* receiver) : m_receiver(receiver) {
}

void CSensorEventTarget::Post(unsigned message, std::uintptr_t wParam) {
    PostFrom(NO_CONNECTION, message, wParam);
}

void CSensorEventTarget::PostFrom(std::uint64_t connection, unsigned message,
                                  std::uintptr_t wParam) {
    const std::lock_guard lock(m_mutex);
    if (m_receiver != nullptr) {
        QCoreApplication::postEvent(m_receiver, new CSensorEvent(connection, message, wParam));
    }
}

void CSensorEventTarget::Detach() {
    const std::lock_guard lock(m_mutex);
    m_receiver = nullptr;
}
