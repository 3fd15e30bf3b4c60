#include "link/LinkTransport.h"

#include "common/LinkError.h"
#include "link/DeviceAddress.h"
#include "link/RawTcpTransport.h"
#include "link/Rfc2217Transport.h"
#include "link/TermiosTransport.h"

std::unique_ptr<LinkTransport> MakeTransport(const std::string& device, std::uint32_t& error) {
    DeviceAddress address;
    if (!DeviceAddress::Parse(device, address)) {
        error = LINK_ERROR_BAD_ADDRESS;
        return nullptr;
    }
    switch (address.kind) {
    case DeviceAddress::Kind::RawTcp:
        return std::make_unique<RawTcpTransport>(address);
    case DeviceAddress::Kind::Rfc2217:
        return std::make_unique<Rfc2217Transport>(address);
    case DeviceAddress::Kind::Path:
        break;
    }
    return std::make_unique<TermiosTransport>(device);
}
