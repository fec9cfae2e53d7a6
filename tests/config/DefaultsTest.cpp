#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "config/TnDefaults.h"
#include "diag/TnDebug.h"

namespace {

// The base directory is process-wide: every test starts from the built-in one and leaves
// the setting it found.
class Defaults : public ::testing::Test {
protected:
    void SetUp() override {
        savedDir_ = tn_default_get_tndir();
        savedLevel_ = tn_default_get_tndir_level();
        tn_default_reset_tndir();
    }
    void TearDown() override {
        tn_default_reset_tndir();
        if (savedLevel_ > 0) tn_default_set_tndir(savedDir_, savedLevel_);
    }
    TnString savedDir_;
    int savedLevel_ = 0;
};

}  // namespace

TEST_F(Defaults, StringTable) {
    struct Case {
        std::vector<int> keys;
        const char* value;
    };
    std::vector<Case> cases = {
        {{0}, "/usr/local/kwo/tarn"},
        {{1, 101, 301, 401, 501, 601, 801}, "/etc/tn.conf"},
        {{3, 104}, "/"},
        {{8, 111}, "/var/spool/tarn"},
        {{16, 33}, "Internal"},
        {{30}, "/var/spool/tarn/supe.jnl"},
        {{103}, "/var/spool/tarn/worker.jnl"},
        {{32, 304, 406}, "/tmp"},
        {{37, 124}, "/etc/tnsslcert.pem"},
        {{38, 125}, "/etc/tnsslkey.pem"},
        {{59, 70, 121, 502, 506}, ""},
        {{117}, "remote"},
        {{123}, "local,supervisor"},
        {{130}, "\\"},
        {{47}, "/usr/local/kwo/tarn/public"},
        {{112, 302, 402}, "/usr/local/kwo/tarn/types:/usr/local/kwo/jobtypes"},
        {{612}, "/usr/local/kwo/tarn/etc/notification.mail"},
        // Not in the table.
        {{-1, 2, 99, 100, 200, 999, 100000}, ""},
    };
    for (const Case& c : cases)
        for (int key : c.keys) EXPECT_EQ(tn_default_string(key), TnString(c.value)) << key;

    TnString hex = tn_default_string(202);
    ASSERT_EQ(hex.length(), 64);
    for (int i = 0; i < hex.length(); ++i) EXPECT_TRUE(isxdigit(hex.get(i)) && !isupper(hex.get(i))) << i;
}

TEST_F(Defaults, IntTable) {
    struct Case {
        int key, value;
    };
    std::vector<Case> cases = {
        {10, 50001}, {48, 44444}, {49, 50002}, {113, 50011}, {305, 8},  {306, 600000}, {56, -4097},
        {58, -1},    {81, 50005}, {54, 136314867}, {44, 524288}, {803, 5}, {701, 50002},
        // Not in the table.
        {0, 0},      {1, 0},      {107, 0},   {-1, 0},      {9999, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(tn_default_int(c.key), c.value) << c.key;
}

TEST_F(Defaults, PathsFollowTheBaseDirectory) {
    tn_default_set_tndir("/opt/x/tarn", 2);
    EXPECT_EQ(tn_default_get_tndir(), TnString("/opt/x/tarn"));
    EXPECT_EQ(tn_default_get_tndir_level(), 2);
    for (int key : {112, 302, 402}) EXPECT_EQ(tn_default_string(key), TnString("/opt/x/tarn/types:/opt/x/jobtypes"));
    EXPECT_EQ(tn_default_string(47), TnString("/opt/x/tarn/public"));
    EXPECT_EQ(tn_default_string(102), TnString("/opt/x/tarn/sbin/proxy"));
    EXPECT_EQ(tn_default_string(403), TnString("/opt/x/tarn/lib/gui/icons"));
    // The built-in directory and absolute paths do not move.
    EXPECT_EQ(tn_default_string(0), TnString("/usr/local/kwo/tarn"));
    EXPECT_EQ(tn_default_string(8), TnString("/var/spool/tarn"));

    tn_default_set_tndir("/tarn", 3);
    EXPECT_EQ(tn_default_string(112), TnString("/tarn/types:/jobtypes"));
}

TEST_F(Defaults, OnlyAHigherLevelMovesTheBase) {
    tn_default_set_tndir("/env", 3);
    tn_default_set_tndir("/file", 2);
    EXPECT_EQ(tn_default_get_tndir(), TnString("/env"));
    tn_default_set_tndir("/same", 3);
    EXPECT_EQ(tn_default_get_tndir(), TnString("/env"));
    tn_default_set_tndir("", 9);
    EXPECT_EQ(tn_default_get_tndir(), TnString("/env"));
    EXPECT_EQ(tn_default_get_tndir_level(), 3);
    tn_default_set_tndir("/higher", 4);
    EXPECT_EQ(tn_default_get_tndir(), TnString("/higher"));

    tn_default_reset_tndir();
    tn_default_set_tndir("/zero", 0);
    EXPECT_EQ(tn_default_get_tndir(), TnString("/usr/local/kwo/tarn"));
    tn_default_set_tndir("/file", 2);
    EXPECT_EQ(tn_default_get_tndir(), TnString("/file"));
}

TEST_F(Defaults, OemTablesDifferInAFewKeys) {
    for (int key : {1, 101, 301, 401, 501, 601, 801}) EXPECT_EQ(tn_oem_default_string(key), TnString("")) << key;
    EXPECT_EQ(tn_oem_default_string(17), TnString("priority"));
    EXPECT_EQ(tn_default_string(17), TnString("cluster"));
    EXPECT_EQ(tn_oem_default_string(8), TnString("/var/spool/tarn"));
    tn_default_set_tndir("/opt/oem", 2);
    EXPECT_EQ(tn_oem_default_string(47), TnString("/opt/oem/public"));
    EXPECT_EQ(tn_oem_default_string(99), TnString(""));

    EXPECT_EQ(tn_oem_default_int(24), 4630);
    EXPECT_EQ(tn_oem_default_int(22), 16);
    EXPECT_EQ(tn_oem_default_int(54), -1);
    EXPECT_EQ(tn_oem_default_int(107), 1);
    EXPECT_EQ(tn_oem_default_int(10), 50001);
    EXPECT_EQ(tn_oem_default_int(9999), 0);
}

TEST_F(Defaults, UnknownStringKeyIsReportedAsAWarning) {
    TnDebug& d = tn_debug_obj();
    TnString savedFile = d.filename();
    int savedMode = d.mode();
    int savedVerb = tn_debug_verb();
    const char* tmp = getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/tn_defaults_XXXXXX";
    int fd = mkstemp(&path[0]);
    ASSERT_GE(fd, 0);
    close(fd);

    tn_debug_filename(path.c_str(), 0);
    tn_debug_verbosity(TnDebug::kError);
    EXPECT_EQ(tn_default_string(4242), TnString(""));   // warnings are off
    tn_debug_verbosity(TnDebug::kWarning);
    EXPECT_EQ(tn_default_string(-7), TnString(""));
    EXPECT_EQ(tn_default_string(8), TnString("/var/spool/tarn"));  // known keys say nothing
    EXPECT_EQ(tn_default_int(4242), 0);                            // nor do unknown numbers

    tn_debug_verbosity(savedVerb);
    tn_debug_filename(savedFile, savedMode);
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    unlink(path.c_str());
    EXPECT_EQ(all.str(), "WARNING: tn_default_string() unknown value[-7]\n");
}
