#include <gtest/gtest.h>

#include <string>

#include "support/PrivateSystem.h"

// Why the private system could not be entered; empty when it was.
std::string tn_private_system_why;

// The client configuration reads /etc/tn.conf: this program runs in a private mount namespace
// where /etc is an overlay, so tests may write that file without touching the machine's.
int main(int argc, char** argv) {
    if (!support::enterPrivateSystem(&tn_private_system_why) && tn_private_system_why.empty())
        tn_private_system_why = "no private system";
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
