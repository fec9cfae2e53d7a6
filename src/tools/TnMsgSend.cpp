#include "tools/TnMsgSend.h"

#include <pwd.h>
#include <unistd.h>

#include <memory>

#include "config/TnClientConfig.h"
#include "protocol/TnConnection.h"
#include "protocol/TnMessage.h"

namespace {

TnString loginname() {
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_name ? TnString(pw->pw_name) : TnString();
}

TnString hostdomain(const TnClientConfig& config) {
    if (!config.client_host_domain().empty()) return config.client_host_domain();
    char name[256] = {0};
    if (getdomainname(name, sizeof name - 1) != 0 || name[0] == 0 || TnString(name) == "(none)") return ".";
    return name;
}

}  // namespace

void TnMsgSend::stamp(TnMessage& message) {
    TnClientConfig config;
    message.user(loginname());
    message.domain(hostdomain(config));
    message.macaddress(TnConnection::primarymacaddress());
    message.tarndomain(config.tn_domain());
    message.tarnregion(config.tn_region());
}

TnMsgSend::Result TnMsgSend::exchange(TnMessage& request, std::string& reply, std::string& why) {
    reply.clear();
    TnConnection c(host_, port_, udp_ ? TnConnection::kUdp : TnConnection::kTcp, timeout_);
    if (!udp_ && !c.active()) {
        why = c.error().value().value();
        return kNotSent;
    }
    stamp(request);
    request.pack();
    if (c.send(request.packContents(), request.packSize()) <= 0) {
        why = c.error().value().value();
        return kNotSent;
    }
    int length = 0;
    std::unique_ptr<char[]> frame(c.receive(length));
    if (!frame || length <= 0) {
        why = c.error().value().value();
        return kNoReply;
    }
    reply.assign(frame.get(), length);
    return kReplied;
}
