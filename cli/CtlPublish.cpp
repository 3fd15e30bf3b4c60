#include "cli/CtlPublish.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "cli/CtlSession.h"
#include "cli/PublishLine.h"
#include "cli/SharedLines.h"
#include "publish/BrokerUrl.h"

namespace {

constexpr const char* PROGRAM = "spectrelctl: ";
// How long the end waits for the broker to acknowledge the "offline" messages.
constexpr std::chrono::milliseconds CLOSE_LIMIT{5000};

bool Refuse(std::string& error, const std::string& message) {
    error = message;
    return false;
}

std::string DefaultClientId() {
    std::array<char, 256> host{};
    if (gethostname(host.data(), host.size() - 1) != 0 || host[0] == '\0') {
        return "spectrel";
    }
    return std::string("spectrel-") + host.data();
}

// Everything that can be told wrong before a port is opened or the broker is tried.
bool SessionOptions(const PublishSettings& publish, MqttSessionOptions& session,
                    std::string& error) {
    BrokerUrl url;
    std::string problem;
    if (publish.Broker.empty()) {
        return Refuse(error, "publish needs --broker URL (mqtt://HOST[:PORT] or mqtts://...)");
    }
    if (!BrokerUrl::Parse(publish.Broker, url, problem)) {
        return Refuse(error, "--broker " + publish.Broker + ": " + problem);
    }
    if (!TopicNames::CheckPrefix(publish.TopicPrefix, problem)) {
        return Refuse(error, "--topic-prefix: " + problem);
    }
    if (!TopicNames::CheckPrefix(publish.DiscoveryPrefix, problem)) {
        return Refuse(error, "--discovery-prefix: " + problem);
    }
    if (publish.CertFile.empty() != publish.KeyFile.empty()) {
        return Refuse(error, "--cert and --key go together");
    }
    if (!url.Tls && (!publish.CaFile.empty() || !publish.CertFile.empty() || publish.Insecure)) {
        return Refuse(error, "--cafile, --cert, --key and --insecure need an mqtts:// broker");
    }
    if (publish.Username.empty() != publish.PasswordFile.empty()) {
        return Refuse(error, "--username and --password-file go together");
    }
    session.Host = url.Host;
    session.Port = url.Port;
    session.Tls = url.Tls;
    session.CaFile = publish.CaFile;
    session.CertFile = publish.CertFile;
    session.KeyFile = publish.KeyFile;
    session.Insecure = publish.Insecure;
    session.Username = publish.Username;
    session.ClientId = publish.ClientId.empty() ? DefaultClientId() : publish.ClientId;
    return publish.PasswordFile.empty() ||
           ReadPasswordFile(publish.PasswordFile, session.Password, error);
}

} // namespace

bool ReadPasswordFile(const std::string& path, std::string& password, std::string& error) {
    struct stat status {};
    std::ifstream file(path);
    if (!file || stat(path.c_str(), &status) != 0) {
        return Refuse(error, "--password-file: cannot read " + path);
    }
    if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        std::array<char, 8> mode{};
        std::snprintf(mode.data(), mode.size(), "%04o", status.st_mode & 07777U);
        return Refuse(error, "--password-file: " + path + " may be read by others (mode " +
                                 mode.data() + "); allow only its owner: chmod 600 " + path);
    }
    std::getline(file, password);
    if (!password.empty() && password.back() == '\r') {
        password.pop_back();
    }
    return true;
}

int RunPublish(const CtlOptions& options, const std::vector<std::string>& devices,
               std::ostream& err, const std::atomic<bool>& stop) {
    MqttSessionOptions sessionOptions;
    if (std::string error; !SessionOptions(options.Publish, sessionOptions, error)) {
        err << PROGRAM << error << "\n";
        return CTL_EXIT_USAGE;
    }
    if (sessionOptions.Insecure) {
        err << PROGRAM << "--insecure: the broker's certificate and host name are not checked\n";
    }
    const TopicNames topics(options.Publish.TopicPrefix, sessionOptions.ClientId);
    sessionOptions.AvailabilityTopic = topics.BridgeAvailability();

    std::mutex errMutex;
    CSharedLines brokerErr(err, errMutex);
    std::vector<std::unique_ptr<CPublishLine>> lines;
    std::vector<std::unique_ptr<CSharedLines>> lineErrs;
    MqttSession broker(
        sessionOptions,
        [&lines] {
            for (const auto& line : lines) {
                line->Republish();
            }
        },
        [&brokerErr, &sessionOptions](const std::string& problem) {
            brokerErr << PROGRAM << "broker " << sessionOptions.Host << ":" << sessionOptions.Port
                      << ": " << problem << "\n";
        });
    for (const std::string& device : devices) {
        lineErrs.push_back(std::make_unique<CSharedLines>(err, errMutex));
        lines.push_back(std::make_unique<CPublishLine>(device, options, topics, broker,
                                                       *lineErrs.back(), stop));
    }
    if (std::string error; !broker.Start(error)) {
        err << PROGRAM << error << "\n";
        return CTL_EXIT_USAGE;
    }
    {
        std::vector<std::jthread> threads;
        for (const auto& line : lines) {
            threads.emplace_back([&line] { line->Run(); });
        }
    }
    std::vector<MqttMessage> offline;
    for (const auto& line : lines) {
        for (MqttMessage& message : line->Offline()) {
            offline.push_back(std::move(message));
        }
    }
    broker.Close(offline, CLOSE_LIMIT);
    return CTL_EXIT_DONE;
}
