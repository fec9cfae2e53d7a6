#include "tools/TnMsgSend.h"

#include <memory>

#include "protocol/TnClient.h"
#include "protocol/TnConnection.h"
#include "protocol/TnMessage.h"

// The client's own stamping runs only inside its conversations; this is the same, field for
// field, from the client's public parts, so that a message from tnmsg looks like any other.
void TnMsgSend::stamp(TnMessage& message) {
    TnClient client;
    message.user(TnClient::currentuser());
    message.domain(TnClient::currentdomain());
    message.macaddress(TnClient::currentmacaddress());
    // A fresh client has chosen no farm domain of its own: the configured one stands.
    message.tarndomain(client.config().tn_domain());
    message.tarnregion(client.config().tn_region());
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
