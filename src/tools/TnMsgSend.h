#ifndef TN_TOOLS_TNMSGSEND_H
#define TN_TOOLS_TNMSGSEND_H

#include <string>

#include "core/TnString.h"

class TnMessage;

// One exchange of tnmsg send: the request goes out stamped as every client of the farm stamps
// it, in one TCP frame or UDP datagram, and at most one frame comes back within the time-out.
// Unlike the client's conversations it never pauses after an empty or refused answer: a
// person is waiting, and the answer is what they want to see.
class TnMsgSend {
public:
    enum Result { kNotSent = -1, kNoReply = 0, kReplied = 1 };

    TnMsgSend(const TnString& host, int port, bool udp, int timeout)
        : host_(host), port_(port), udp_(udp), timeout_(timeout) {}

    // Stamps and sends request; on kReplied `reply` holds the packed reply. `why` tells what
    // went wrong for the other results.
    Result exchange(TnMessage& request, std::string& reply, std::string& why);

    // Who is sending: user, domain, MAC address, farm domain and region.
    static void stamp(TnMessage& message);

private:
    TnString host_;
    int port_;
    bool udp_;
    int timeout_;
};

#endif
