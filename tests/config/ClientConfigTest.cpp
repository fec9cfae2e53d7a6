#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/TnClientConfig.h"
#include "config/TnDefaults.h"
#include "diag/TnDebug.h"
#include "model/TnFlagTable.h"
#include "support/PrivateSystem.h"
#include "support/Support.h"

extern std::string tn_private_system_why;

namespace {

using Hosts = std::vector<std::string>;

std::string str(const TnString& s) { return std::string(s.value(), s.length()); }

Hosts hosts(const TnClientConfig& c) {
    Hosts out;
    for (int i = 0; i < c.supervisor_hosts().length(); ++i) out.push_back(str(c.supervisor_hosts().get(i)->value()));
    return out;
}

// Each case starts without TN_SUPERVISOR, TN_DOMAIN, TN_DIR and /etc/tn.conf and with the
// built-in base directory, and leaves all of them as it found them. /etc is the private
// overlay of this program (see ConfigMain.cpp), never the machine's.
class ClientConfig : public testing::Test {
protected:
    void SetUp() override {
        if (!support::inPrivateSystem())
            GTEST_SKIP() << "needs a private mount namespace to stand in for /etc/tn.conf: " << tn_private_system_why;
        active_ = true;
        for (Saved& s : saved_) {
            const char* v = getenv(s.name);
            s.set = v != nullptr;
            if (v) s.value = v;
            unsetenv(s.name);
        }
        unlink("/etc/tn.conf");
        tn_default_reset_tndir();
    }
    void TearDown() override {
        if (!active_) return;
        for (const Saved& s : saved_) {
            if (s.set)
                setenv(s.name, s.value.c_str(), 1);
            else
                unsetenv(s.name);
        }
        unlink("/etc/tn.conf");
        tn_default_reset_tndir();
    }
    static void conf(const std::string& text) { ASSERT_TRUE(support::writeFile("/etc/tn.conf", text)); }
    static void env(const char* name, const char* value) { setenv(name, value, 1); }

private:
    struct Saved {
        const char* name;
        bool set;
        std::string value;
    };
    Saved saved_[3] = {{"TN_SUPERVISOR", false, ""}, {"TN_DOMAIN", false, ""}, {"TN_DIR", false, ""}};
    bool active_ = false;
};

}  // namespace

TEST_F(ClientConfig, DefaultsWithoutFileOrEnvironment) {
    TnClientConfig c;
    EXPECT_EQ(hosts(c), Hosts{});
    EXPECT_EQ(str(c.tn_domain()), "");
    EXPECT_EQ(str(c.tn_directory()), "/usr/local/kwo/tarn");
    EXPECT_EQ(str(c.supervisor_logpath()), "/var/spool/tarn");
    EXPECT_EQ(str(c.worker_logpath()), "/var/spool/tarn");
    EXPECT_EQ(str(c.client_logpath()), "/var/spool/tarn");
    EXPECT_EQ(str(c.worker_template_path()), "/usr/local/kwo/tarn/types:/usr/local/kwo/jobtypes");
    EXPECT_EQ(str(c.worker_logmode()), "remote");
    EXPECT_EQ(c.supervisor_port(), 50001);
    EXPECT_EQ(c.supervisor_sub_port(), 50002);
    EXPECT_EQ(c.supervisor_http_port(), 44444);
    EXPECT_EQ(c.worker_port(), 50011);
    EXPECT_EQ(c.client_timeout(), 600000);
    EXPECT_EQ(c.client_job_flags(), 8);
    EXPECT_EQ(c.client_flags(), tn_client_flag_int(""));
}

TEST_F(ClientConfig, SupervisorHostsFromEnvironmentOrFile) {
    conf("supervisor_host = a\ntn_supervisor = b,c\n");
    {
        TnClientConfig c;
        EXPECT_EQ(hosts(c), (Hosts{"a", "b", "c"}));
        EXPECT_EQ(str(c.tn_supervisor()), "b,c");
    }
    env("TN_SUPERVISOR", "");  // set but empty counts as unset
    EXPECT_EQ(hosts(TnClientConfig()), (Hosts{"a", "b", "c"}));
    env("TN_SUPERVISOR", "x, y");
    {
        TnClientConfig c;
        EXPECT_EQ(hosts(c), (Hosts{"x", "y"}));
        EXPECT_EQ(str(c.tn_supervisor()), "x, y");
    }
    unsetenv("TN_SUPERVISOR");
    conf("supervisor_host = \"m1:6000, ,m2\"\ntn_supervisor =\n");
    {
        TnClientConfig c;
        EXPECT_EQ(hosts(c), (Hosts{"m1:6000", "m2"}));
        EXPECT_EQ(c.supervisor_hosts().get(0)->port(), 6000);
        EXPECT_EQ(str(c.tn_supervisor()), "m1:6000, ,m2");
    }
}

TEST_F(ClientConfig, AddingHosts) {
    env("TN_SUPERVISOR", "a");
    TnClientConfig c;
    c.supervisor_hosts(TnString("b:7,,a"));
    // The text form appends every name, repeated ones too; one host at a time skips known
    // names (the port does not count).
    EXPECT_EQ(hosts(c), (Hosts{"a", "b:7", "a"}));
    EXPECT_EQ(str(c.tn_supervisor()), "b:7,,a");
    c.add_supervisor_host(new TnHostname("a", 9));
    c.add_supervisor_host(new TnHostname("c"));
    c.add_supervisor_host(nullptr);
    c.add_supervisor_host(new TnHostname("c", 1));
    EXPECT_EQ(hosts(c), (Hosts{"a", "b:7", "a", "c"}));
    c.supervisor_hosts(TnString(""));
    EXPECT_EQ(c.supervisor_hosts().length(), 4);
    EXPECT_EQ(str(c.tn_supervisor()), "");

    const TnClientConfig copy(c);
    EXPECT_EQ(hosts(copy), hosts(c));
}

TEST_F(ClientConfig, DomainPrecedence) {
    conf("supervisor_domain = sd\ntn_domain = td\n");
    EXPECT_EQ(str(TnClientConfig().tn_domain()), "td");
    env("TN_DOMAIN", "env");
    EXPECT_EQ(str(TnClientConfig().tn_domain()), "env");
    env("TN_DOMAIN", "");
    EXPECT_EQ(str(TnClientConfig().tn_domain()), "td");
    conf("supervisor_domain = sd\ntn_domain =\n");
    EXPECT_EQ(str(TnClientConfig().tn_domain()), "sd");
}

TEST_F(ClientConfig, BaseDirectoryPrecedence) {
    conf("tn_directory = /srv/t\n");
    env("TN_DIR", "/opt/t");
    {
        TnClientConfig c;
        EXPECT_EQ(str(c.tn_directory()), "/opt/t");
        EXPECT_EQ(str(c.worker_template_path()), "/opt/t/types:/opt/jobtypes");
    }
    // The environment's directory outlives the object and still wins over the file.
    unsetenv("TN_DIR");
    EXPECT_EQ(str(TnClientConfig().tn_directory()), "/opt/t");

    tn_default_reset_tndir();
    {
        TnClientConfig c;
        EXPECT_EQ(str(c.tn_directory()), "/srv/t");
        EXPECT_EQ(str(c.worker_template_path()), "/srv/t/types:/srv/jobtypes");
    }
    tn_default_reset_tndir();
    env("TN_DIR", "");
    EXPECT_EQ(str(TnClientConfig().tn_directory()), "/srv/t");

    tn_default_reset_tndir();
    unlink("/etc/tn.conf");
    env("TN_DIR", "/opt/x/tarn");
    EXPECT_EQ(str(TnClientConfig().worker_template_path()), "/opt/x/tarn/types:/opt/x/jobtypes");
}

TEST_F(ClientConfig, NumbersFallBackOnZeroAndNonNumbers) {
    conf("supervisor_port = 0\n"
         "worker_port = x\n"
         "supervisor_sub_port = 12abc\n"
         "supervisor_http_port = -5\n"
         "client_timeout =\n");
    TnClientConfig c;
    EXPECT_EQ(c.supervisor_port(), 50001);
    EXPECT_EQ(c.worker_port(), 50011);
    EXPECT_EQ(c.supervisor_sub_port(), 12);
    EXPECT_EQ(c.supervisor_http_port(), -5);
    EXPECT_EQ(c.client_timeout(), 600000);
}

TEST_F(ClientConfig, FlagsAndLogPathFallbacks) {
    conf("client_job_flags =\nclient_logpath =\nsupervisor_logpath = /s\nworker_logmode =\n");
    {
        TnClientConfig c;
        EXPECT_EQ(c.client_job_flags(), tn_job_flag_int(""));
        EXPECT_NE(c.client_job_flags(), 8);
        EXPECT_EQ(str(c.client_logpath()), "/s");
        EXPECT_EQ(str(c.worker_logmode()), "remote");
    }
    conf("client_job_flags = mail,nosuchflag\nclient_flags = nosuchflag\n");
    TnClientConfig c;
    EXPECT_EQ(c.client_job_flags(), tn_job_flag_int("mail,nosuchflag"));
    EXPECT_EQ(c.client_flags(), tn_client_flag_int("nosuchflag"));
}

TEST_F(ClientConfig, EveryOptionFromTheFileAndDisplayOrder) {
    // Every text option set to its own name, in an order unlike the display's.
    const char* texts[] = {"client_p_agenda_priority", "client_priority", "client_mail_address", "client_drive_map",
                           "client_restrictions", "client_account", "client_host_domain", "client_cluster",
                           "client_path_map", "client_logpath", "worker_path_map", "worker_template_path",
                           "worker_logpath", "worker_logmode", "worker_address", "supervisor_logpath", "tn_region"};
    std::string file = "supervisor_domain = /sd\nworker_port = 1001\nsupervisor_port = 1002\n"
                       "supervisor_sub_port = 1003\nsupervisor_http_port = 1004\nclient_timeout = 1005\n";
    for (const char* t : texts) file += std::string(t) + " = /" + t + "\n";
    conf(file);
    env("TN_SUPERVISOR", "a b:7");
    TnClientConfig c;
    EXPECT_EQ(c.supervisor_http_port(), 1004);
    support::TempDir dir;
    tn_debug_filename(dir.file("display.log").c_str(), 0);
    c.display();
    tn_debug_filename("", 0);
    std::string want = "tn_supervisor(s) total: 2\ntn_supervisor: a\ntn_supervisor: b\ntn_domain: /sd\n";
    for (const char* name : {"tn_region", "supervisor_port", "supervisor_sub_port", "supervisor_logpath",
                             "worker_address", "worker_logmode", "worker_logpath", "worker_template_path",
                             "worker_path_map", "worker_port", "client_logpath", "client_path_map", "client_cluster",
                             "client_host_domain", "client_account", "client_restrictions", "client_drive_map",
                             "client_mail_address", "client_priority", "client_p_agenda_priority"}) {
        std::string value = std::string("/") + name;
        if (!strcmp(name, "supervisor_port")) value = "1002";
        if (!strcmp(name, "supervisor_sub_port")) value = "1003";
        if (!strcmp(name, "worker_port")) value = "1001";
        want += std::string(name) + ": " + value + "\n";
    }
    want += "client_flags: " + std::to_string(tn_client_flag_int("")) + "\nclient_job_flags: 8\nclient_timeout: 1005\n";
    EXPECT_EQ(support::readFile(dir.file("display.log")), want);
}
