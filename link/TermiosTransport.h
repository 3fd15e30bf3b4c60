#pragma once

#include <string>
#include <termios.h>
#include <vector>

#include "common/FileDescriptor.h"
#include "link/LineErrorCounter.h"
#include "link/LinkTransport.h"
#include "link/MarkedByteDecoder.h"

// A local serial device (or pseudo-terminal), opened exclusively in the sensor's line format;
// the device's own settings are put back on release.
class TermiosTransport : public LinkTransport {
public:
    explicit TermiosTransport(std::string path) : m_path(std::move(path)) {}

    bool Open(int cancel, std::uint32_t& error) override;
    int Descriptor() const override { return m_device.Get(); }
    Received Receive(LineAssembler& lines, std::string& replies, std::uint32_t& error) override;
    ssize_t Send(const char* bytes, std::size_t length) override;
    bool SendDamaged() override;
    void Release() override;

private:
    bool TakeDevice();
    bool PrepareLine();
    void GiveUpExclusive();
    void RequestLowLatency();
    void RestoreLatency();
    void Decode(const char* bytes, std::size_t count, LineAssembler& lines);

    std::string m_path;
    FileDescriptor m_device;
    termios m_savedSettings{};
    bool m_setExclusive = false;  // this open put the terminal into exclusive mode
    bool m_lowLatencySet = false; // this open asked the driver for low latency
    int m_savedSerialFlags = 0;   // the driver's flags before that
    LineErrorCounter m_writeErrors{LineErrorCounter::Scope::AllErrors};
    LineErrorCounter m_readErrors{LineErrorCounter::Scope::LostCharacters};
    MarkedByteDecoder m_decoder;
    std::vector<MarkedByteDecoder::Item> m_decoded;
};
