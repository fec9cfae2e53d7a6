#include <gtest/gtest.h>

#include <string>

#include "support/PrivateSystem.h"

namespace {

// Every test of this program runs in the private system: its own /etc, /var/log, /tmp and
// loopback network, so that it may write /etc/tn.conf and bind the daemon's fixed port.
// Entered before the first test, while the program has a single thread.
class PrivateSystemEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        std::string why;
        if (!support::enterPrivateSystem(&why)) GTEST_SKIP() << "no private system: " << why;
    }
};

const bool registered = (::testing::AddGlobalTestEnvironment(new PrivateSystemEnvironment), true);

}  // namespace
