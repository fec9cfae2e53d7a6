#ifndef TN_TESTS_SYSTEM_CLIENTSYSTEM_H
#define TN_TESTS_SYSTEM_CLIENTSYSTEM_H

#include <gtest/gtest.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "diag/TnDebug.h"
#include "protocol/TnClient.h"
#include "protocol/TnFile.h"
#include "support/PrivateSystem.h"
#include "support/Support.h"

// Client tests run inside the private system: they own /etc/tn.conf and /tmp and may
// broadcast. Pauses the client asks for are recorded instead of taken.
class ClientSystem : public ::testing::Test {
protected:
    static std::vector<int>& pauses() {
        static std::vector<int> taken;
        return taken;
    }

    void SetUp() override {
        if (!support::inPrivateSystem()) GTEST_SKIP() << "needs the private system";
        pauses().clear();
        TnClient::pausehook([](int seconds) { pauses().push_back(seconds); });
        TnFile::remove(TnClient::cachefile());
        tn_debug_filename(log_.file("debug.log").c_str(), 0);
        conf("");
    }

    void TearDown() override {
        TnClient::pausehook(nullptr);
        tn_debug_filename("", 0);
    }

    // A new /etc/tn.conf, dated well before anything the test writes afterwards.
    static void conf(const std::string& text) {
        support::writeFile("/etc/tn.conf", text);
        age("/etc/tn.conf", 300);
    }

    static void age(const std::string& path, int seconds) {
        struct timeval times[2];
        times[0].tv_sec = times[1].tv_sec = time(nullptr) - seconds;
        times[0].tv_usec = times[1].tv_usec = 0;
        ASSERT_EQ(utimes(path.c_str(), times), 0) << path;
    }

    static std::string host(int port) { return "127.0.0.1:" + std::to_string(port); }
    std::string debugLog() const { return support::readFile(log_.file("debug.log")); }

private:
    support::TempDir log_;
};

#endif
