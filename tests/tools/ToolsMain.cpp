#include <gtest/gtest.h>

#include <string>

#include "support/PrivateSystem.h"

// The tools' tests start vnd, which binds its fixed port, and point tnmsg at a private
// /etc/tn.conf: this program runs in the private system, which its children inherit.
int main(int argc, char** argv) {
    std::string why;
    support::enterPrivateSystem(&why);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
