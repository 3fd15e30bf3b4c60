#include "cli/ScanReport.h"

#include <algorithm>

#include "cli/CtlOutput.h"
#include "cli/Json.h"
#include "link/PortMap.h"

namespace {

constexpr const char* NONE = "-";

std::string ModelText(unsigned code) {
    return std::to_string(code) + " (" + ModelName(code) + ")";
}

std::string Padded(std::string text, std::size_t width) {
    text.resize(std::max(width, text.size()), ' ');
    return text;
}

// The link's own name: its folder is in the column's name, and the [Ports] lines give it whole.
std::string ByIdText(const ProbeResult& result) {
    const std::size_t slash = result.ByIdName.rfind('/');
    return result.ByIdName.empty() ? NONE : result.ByIdName.substr(slash + 1);
}

std::string LatencyText(const AdapterInfo& adapter) {
    return adapter.Latency ? std::to_string(*adapter.Latency) + " ms" : NONE;
}

std::string SensorTable(const std::vector<ProbeResult>& results) {
    std::vector<std::vector<std::string>> rows{
        {"DEVICE", "BY-ID", "MODEL", "SERIAL", "DRIVER", "LATENCY"}};
    for (const ProbeResult& result : results) {
        if (result.State == ProbeState::Found) {
            const AdapterInfo& adapter = result.Adapter;
            rows.push_back({result.Device, ByIdText(result), ModelText(result.Identity.ModelCode),
                            EscapedText(result.Identity.SerialNumber),
                            adapter.Driver.empty() ? NONE : adapter.Driver, LatencyText(adapter)});
        }
    }
    std::vector<std::size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows) {
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    std::string table;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t column = 0; column + 1 < row.size(); ++column) {
            line += Padded(row[column], widths[column] + 2);
        }
        table += line + row.back() + "\n";
    }
    return table;
}

std::string TextReport(const std::vector<ProbeResult>& results, bool named) {
    const std::vector<std::string> ports = PortsLines(results);
    std::string text = ports.empty() ? "" : SensorTable(results);
    for (const ProbeResult& result : results) {
        if (result.State == ProbeState::Busy) {
            text += "skipped " + result.Device + ": in use by another program\n";
        } else if (named && result.State == ProbeState::Silent) {
            text += "no sensor on " + result.Device + ": nothing answered\n";
        } else if (named && result.State == ProbeState::Unopenable) {
            text += "no sensor on " + result.Device + ": " + result.Problem + "\n";
        }
    }
    if (!ports.empty()) {
        text += "\n[Ports]\n";
        for (const std::string& line : ports) {
            text += line + "\n";
        }
    }
    return text;
}

// A string, or null when there is none to tell.
JsonValue TextOrNull(const std::string& text) {
    return text.empty() ? JsonValue(nullptr) : JsonValue(text);
}

std::string JsonReport(const std::vector<ProbeResult>& results) {
    JsonValue report{{"sensors", JsonValue::array()},
                     {"busy", JsonValue::array()},
                     {"silent", JsonValue::array()},
                     {"ports", PortsLines(results)}};
    for (const ProbeResult& result : results) {
        if (result.State != ProbeState::Found) {
            report[result.State == ProbeState::Busy ? "busy" : "silent"].push_back(result.Device);
            continue;
        }
        const AdapterInfo& adapter = result.Adapter;
        report["sensors"].push_back(
            {{"device", result.Device},
             {"by_id", TextOrNull(result.ByIdName)},
             {"model", result.Identity.ModelCode},
             {"name", ModelName(result.Identity.ModelCode)},
             {"serial", result.Identity.SerialNumber},
             {"driver", TextOrNull(adapter.Driver)},
             {"latency_ms", adapter.Latency ? JsonValue(*adapter.Latency) : JsonValue(nullptr)}});
    }
    return JsonText(report) + "\n";
}

} // namespace

std::string FormatScan(const std::vector<ProbeResult>& results, bool json, bool named) {
    return json ? JsonReport(results) : TextReport(results, named);
}

std::vector<std::string> PortsLines(const std::vector<ProbeResult>& results) {
    std::vector<std::string> lines;
    for (const ProbeResult& result : results) {
        const std::string port = "COM" + std::to_string(lines.size() + 1);
        if (result.State == ProbeState::Found && PortNumber(port) != 0) {
            const std::string& path = result.ByIdName.empty() ? result.Device : result.ByIdName;
            lines.push_back(port + "=" + path);
        }
    }
    return lines;
}
