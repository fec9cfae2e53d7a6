#include <gtest/gtest.h>

#include <string>

#include "model/TnFlagTable.h"

namespace {

struct Table {
    const char* name;
    TnString (*text)(int);
    int (*bits)(const TnString&);
    const char* all;  // every word, in printing order
};

const Table kTables[] = {
    {"job", tn_job_flag_string, tn_job_flag_int,
     "uninterruptible,memory_hard_limit,grid,thrifty,expand,auto_mount,export_environment,host_list,elite,mail,"
     "disable_windows_job_object,disable_cpu_limit,disable_auto_complete,auto_wrangling,p_agenda,"
     "migrate_on_frame_retry,convert_path,enable_windows_job_object,no_defaults"},
    {"worker", tn_worker_flag_string, tn_worker_flag_int,
     "dynamic,dedicated,auto_mount,remove_logs,load_profile,rotate_logs,ssl,enable_winbind,disable_quickboot,"
     "auto_remove"},
    {"supervisor", tn_supervisor_flag_string, tn_supervisor_flag_int,
     "enforce_password,host_recontact,heartbeat_monitor,running_monitor,clone_logs,remove_logs,master,ssl,multicast,"
     "schedule,stub_optimize,rotate_logs,retry_busy,ignore_duplicate_peer,enable_max_connections,enable_prediction,"
     "disable_submit_check,archive_jobs"},
    {"mode", tn_supervisor_mode_flag_string, tn_supervisor_mode_flag_int,
     "reject_submit,stop_activity,enforce_password"},
    {"log", tn_supervisor_log_flag_string, tn_supervisor_log_flag_int, "job,subjob,work,callback,user,admin,mail"},
    {"manifest", tn_supervisor_manifest_flag_string, tn_supervisor_manifest_flag_int, "job,subjob,work"},
    {"language", tn_supervisor_language_flag_string, tn_supervisor_language_flag_int,
     "tarn,perl,python,post,mail,dependency,auto_wrangling"},
    {"verbosity", tn_supervisor_verbosity_string, tn_supervisor_verbosity_int,
     "startup,work,subjob,job,host,log,admin,command,query,sync,queue,callback,debug,error,warning,security,auth,"
     "preempt,memory,web,info,file"},
    {"supelog", tn_supelog_flag_string, tn_supelog_flag_int,
     "startup,work,subjob,job,host,log,admin,command,query,sync,queue,callback,debug,error,warning,security,auth,"
     "preempt,memory,web,info,file"},
    {"client", tn_client_flag_string, tn_client_flag_int, "ssl,restrict_domain"},
    {"database", tn_database_flag_string, tn_database_flag_int, "lazy,log_times"},
    {"permission", tn_permission_flag_string, tn_permission_flag_int,
     "submit_job,submit_callback,submit_global_callback,bump,kill,remove,modify,preempt,block,interrupt,complete,"
     "unblock,suspend,resume,retry,reset,requeue,migrate,shove,fail,retire,lock_host,sudo_admin,impersonate,admin"},
};

}  // namespace

// Every word of every table: its bit prints as the word alone and reads back as the bit; the
// full set prints in row order and reads back as the sum of the rows.
TEST(FlagTable, EveryTableRoundTrips) {
    for (const Table& t : kTables) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(std::string(t.text(-1).value()), t.all);
        EXPECT_EQ(std::string(t.text(0).value()), "0");
        EXPECT_EQ(t.bits("0"), 0);

        long long sum = 0;
        int words = 0;
        for (int bit = 0; bit < 32; ++bit) {
            int value = static_cast<int>(1u << bit);
            TnString word = t.text(value);
            if (word == "0") continue;
            ++words;
            sum += value;
            EXPECT_EQ(word.haschar(','), 0) << word.value();
            EXPECT_EQ(t.bits(word), value) << word.value();
        }
        int commas = 0;
        for (const char* p = t.all; *p; ++p) commas += *p == ',';
        EXPECT_EQ(words, commas + 1);
        EXPECT_EQ(t.bits(t.text(-1)), static_cast<int>(sum));
    }
}

TEST(FlagTable, PrintsInRowOrderNotBitOrder) {
    EXPECT_EQ(tn_job_flag_string(0x24), "grid,expand");
    EXPECT_EQ(tn_job_flag_string(0x60), "thrifty,expand");
    EXPECT_EQ(tn_worker_flag_string(3), "dynamic,dedicated");
    EXPECT_EQ(tn_permission_flag_string(0x4000 + 0x100000), "retry,reset");
    EXPECT_EQ(tn_supervisor_flag_string(0x800 | 0x4), "heartbeat_monitor,running_monitor");
    // Bits without a word vanish from the text.
    EXPECT_EQ(tn_job_flag_string(0x80), "0");
    EXPECT_EQ(tn_job_flag_string(0x80 | 0x4), "grid");
    EXPECT_EQ(tn_supervisor_verbosity_string(0x200000), "0");
}

TEST(FlagTable, ReadsJobFlagTexts) {
    const struct {
        const char* text;
        int bits;
        bool valid;
    } cases[] = {
        // Words are matched exactly, after trimming; the old spelling of "uninterruptible" is still read.
        {"grid, expand", 0x24, true}, {"  grid ,\texpand\n", 0x24, true}, {"Grid", 0, false},
        {"grid,bogus", 4, false}, {"uninterruptable", 1, true}, {"gri", 0, false}, {"grid mail", 0, false},
        {"", 0, true}, {",,,", 0, true}, {"grid,mail", 0x404, true}, {"grid, 5", 0x4, true}, {"grid,0", 0x4, false},
        // A quoted item keeps its quotes and so names no word.
        {"\"grid\",mail", 0x400, false},
        // Repeated words add up, wrapping in 32 bits.
        {"grid,grid", 0x8, true},
        // Integer texts are taken as they are; anything else is an item that names nothing.
        {"17", 17, true}, {"128", 128, true}, {"-1", -1, true}, {"-5", -5, true}, {"-", 0, true}, {"0x10", 0, false},
        {" 17", 0, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tn_job_flag_int(c.text), c.bits) << c.text;
        EXPECT_EQ(tn_job_flag_valid(c.text), c.valid) << c.text;
    }
    EXPECT_EQ(tn_job_flag_string(tn_job_flag_int("uninterruptable")), "uninterruptible");
    EXPECT_EQ(tn_worker_flag_int("uninterruptable"), 0);
    EXPECT_EQ(tn_job_flag_string(tn_job_flag_int("grid,grid")), "auto_mount");
    EXPECT_EQ(tn_permission_flag_int("admin,admin"), static_cast<int>(0x80000000u));
    EXPECT_EQ(tn_permission_flag_int("admin,admin,admin,admin"), 0);
    EXPECT_EQ(tn_client_flag_int("192"), 192);
    EXPECT_EQ(tn_client_flag_string(192), "ssl,restrict_domain");
}

TEST(FlagTable, VerbosityAndEventLogShareWords) {
    for (int bit = 0; bit < 32; ++bit) {
        int value = static_cast<int>(1u << bit);
        EXPECT_EQ(tn_supervisor_verbosity_string(value), tn_supelog_flag_string(value));
    }
    EXPECT_EQ(tn_supervisor_verbosity_int("error,warning,info"), 0x2000 + 0x4000 + 0x100000);
    EXPECT_EQ(tn_supelog_flag_int("error,warning,info"), 0x2000 + 0x4000 + 0x100000);
}
