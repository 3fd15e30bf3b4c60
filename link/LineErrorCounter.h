#pragma once

// Notices the line errors a UART driver counts (TIOCGICOUNT) between two looks. Drivers without
// counters, pseudo-terminals among them, simply never report any.
class LineErrorCounter {
public:
    enum class Scope {
        AllErrors,     // framing, parity, break, overrun
        LostCharacters // overruns only: the other errors arrive marked in the data itself
    };

    explicit LineErrorCounter(Scope scope) : m_scope(scope) {}

    // Takes the driver's present counts as the starting point for the device fd.
    void Start(int fd);
    // True when errors were counted since the last look; the next look starts from here.
    bool NewErrors(int fd);

private:
    bool Count(int fd, unsigned long& total) const;

    Scope m_scope;
    bool m_available = false;
    unsigned long m_seen = 0;
};
