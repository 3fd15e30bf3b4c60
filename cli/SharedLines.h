#pragma once

#include <mutex>
#include <ostream>
#include <sstream>

// A stream for one of several threads that report on the same stream: whole lines only go
// out, each at once, so two sensors' messages never mix within a line.
class CSharedLines : public std::ostream {
public:
    CSharedLines(std::ostream& target, std::mutex& mutex)
        : std::ostream(&m_buffer), m_buffer(target, mutex) {
        setf(std::ios::unitbuf);
    }

private:
    class CBuffer : public std::stringbuf {
    public:
        CBuffer(std::ostream& target, std::mutex& mutex)
            : std::stringbuf(std::ios::out | std::ios::ate), m_target(target), m_mutex(mutex) {}

    protected:
        // Everything up to the last line end goes out; a started line waits for its end.
        int sync() override {
            const std::string text = str();
            const std::size_t end = text.rfind('\n');
            if (end != std::string::npos) {
                const std::lock_guard lock(m_mutex);
                m_target << text.substr(0, end + 1) << std::flush;
                str(text.substr(end + 1));
            }
            return 0;
        }

    private:
        std::ostream& m_target;
        std::mutex& m_mutex;
    };

    CBuffer m_buffer;
};
