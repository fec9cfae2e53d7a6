#include "core/TnTime.h"
#include "support/StandInSupervisor.h"
#include "system/ClientSystem.h"

using support::StandInSupervisor;

TEST_F(ClientSystem, TimeSyncLearnsTheSupervisorsClockAndSharesIt) {
    EXPECT_EQ(TnTime::offsetfile(), TnString("/tmp/time_") + TnClient::currentuser() + ".tmp");
    StandInSupervisor s;
    ASSERT_TRUE(s.start());
    s.skew(3600);
    conf("supervisor_host = " + host(s.tcpport()) + "\nsupervisor_port = " + std::to_string(s.tcpport()) + "\n");
    TnTime::syncToServer();
    EXPECT_GE(TnTime::diff(), 3599);
    EXPECT_LE(TnTime::diff(), 3601);
    EXPECT_EQ(support::readFile(TnTime::offsetfile().value()), std::to_string(TnTime::diff()));
    ASSERT_EQ(s.count(), 1);
    EXPECT_EQ(s.received()[0].tag, 107);

    s.skew(-50);
    TnTime::syncToServer("127.0.0.1");
    EXPECT_GE(TnTime::diff(), -51);
    EXPECT_LE(TnTime::diff(), -49);
    TnTime now = TnClient::currenttime(), local;
    local.setToLocalClock();
    EXPECT_NEAR(now.value() - local.value(), -50, 1);

    s.stop();
    TnTime::syncToServer("127.0.0.1");
    EXPECT_EQ(TnTime::diff(), 0);
    EXPECT_NE(debugLog().find("ERROR: couldn't obtain time from supervisor.\n"), std::string::npos);
    // The file keeps what the last good answer taught.
    EXPECT_NEAR(std::stoi(support::readFile(TnTime::offsetfile().value())), -50, 1);
}
