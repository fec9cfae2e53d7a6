#include <gtest/gtest.h>

#include <cctype>

#include "config/TnDefaults.h"
#include "diag/TnDebug.h"
#include "support/Support.h"

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

TEST_F(Defaults, Tables) {
    struct {
        int key;
        const char* value;
    } strings[] = {
        {0, "/usr/local/kwo/tarn"},   {801, "/etc/tn.conf"},   {104, "/"},
        {111, "/var/spool/tarn"},     {30, "/var/spool/tarn/supe.jnl"},
        {304, "/tmp"},                {506, ""},               {117, "remote"},
        {130, "\\"},                 {47, "/usr/local/kwo/tarn/public"},
        {402, "/usr/local/kwo/tarn/types:/usr/local/kwo/jobtypes"},
        {2, ""},                      {-1, ""},                {100000, ""},  // not in the table
    };
    for (const auto& c : strings) EXPECT_EQ(tn_default_string(c.key), TnString(c.value)) << c.key;
    TnString hex = tn_default_string(202);
    ASSERT_EQ(hex.length(), 64);
    for (int i = 0; i < hex.length(); ++i) EXPECT_TRUE(isxdigit(hex.get(i)) && !isupper(hex.get(i))) << i;

    int ints[][2] = {{10, 50001}, {48, 44444}, {49, 50002}, {113, 50011}, {305, 8}, {306, 600000},
                     {56, -4097}, {0, 0},      {107, 0},    {-1, 0}};
    for (const auto& c : ints) EXPECT_EQ(tn_default_int(c[0]), c[1]) << c[0];
}

TEST_F(Defaults, PathsFollowTheBaseDirectory) {
    tn_default_set_tndir("/opt/x/tarn", 2);
    for (int key : {112, 302, 402}) EXPECT_EQ(tn_default_string(key), TnString("/opt/x/tarn/types:/opt/x/jobtypes"));
    EXPECT_EQ(tn_default_string(403), TnString("/opt/x/tarn/lib/gui/icons"));
    // The built-in directory and absolute paths do not move.
    EXPECT_EQ(tn_default_string(0), TnString("/usr/local/kwo/tarn"));
    EXPECT_EQ(tn_default_string(8), TnString("/var/spool/tarn"));

    tn_default_set_tndir("/tarn", 3);
    EXPECT_EQ(tn_default_string(112), TnString("/tarn/types:/jobtypes"));
}

TEST_F(Defaults, OnlyAHigherLevelMovesTheBase) {
    const struct {
        const char* dir;
        int level;
        const char* after;
    } steps[] = {{"/zero", 0, "/usr/local/kwo/tarn"}, {"/file", 2, "/file"}, {"/env", 3, "/env"},
                 {"/file", 2, "/env"},                {"/same", 3, "/env"},  {"", 9, "/env"},
                 {"/higher", 4, "/higher"}};
    for (const auto& s : steps) {
        tn_default_set_tndir(s.dir, s.level);
        EXPECT_EQ(tn_default_get_tndir(), TnString(s.after)) << s.dir << " " << s.level;
    }
    EXPECT_EQ(tn_default_get_tndir_level(), 4);
}

TEST_F(Defaults, OemTablesDifferInAFewKeys) {
    for (int key : {1, 101, 301, 401, 501, 601, 801}) EXPECT_EQ(tn_oem_default_string(key), TnString("")) << key;
    EXPECT_EQ(tn_oem_default_string(17), TnString("priority"));
    tn_default_set_tndir("/opt/oem", 2);
    EXPECT_EQ(tn_oem_default_string(47), TnString("/opt/oem/public"));
    int ints[][2] = {{24, 4630}, {22, 16}, {54, -1}, {107, 1}, {10, 50001}, {9999, 0}};
    for (const auto& c : ints) EXPECT_EQ(tn_oem_default_int(c[0]), c[1]) << c[0];
}

TEST_F(Defaults, UnknownStringKeyIsReportedAsAWarning) {
    int savedVerb = tn_debug_verb();
    support::TempDir dir;
    tn_debug_filename(dir.file("debug.log").c_str(), 0);
    tn_debug_verbosity(TnDebug::kError);
    EXPECT_EQ(tn_default_string(4242), TnString(""));   // warnings are off
    tn_debug_verbosity(TnDebug::kWarning);
    EXPECT_EQ(tn_default_string(-7), TnString(""));
    EXPECT_EQ(tn_default_string(8), TnString("/var/spool/tarn"));  // known keys say nothing
    EXPECT_EQ(tn_default_int(4242), 0);                            // nor do unknown numbers

    tn_debug_verbosity(savedVerb);
    tn_debug_filename("", 0);
    EXPECT_EQ(support::readFile(dir.file("debug.log")), "WARNING: tn_default_string() unknown value[-7]\n");
}
