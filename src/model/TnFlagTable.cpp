#include "model/TnFlagTable.h"

#include <cstdint>
#include <cstring>

#include "core/TnExpression.h"
#include "core/TnStringList.h"

namespace {

#define TN_ROWS(name) static_cast<int>(sizeof(name) / sizeof(name[0]))

const TnFlagTable::Row kJobRows[] = {
    {"uninterruptible", 0x1},
    {"memory_hard_limit", 0x2},
    {"grid", 0x4},
    {"thrifty", 0x40},
    {"expand", 0x20},
    {"auto_mount", 0x8},
    {"export_environment", 0x10},
    {"host_list", 0x100},
    {"elite", 0x200},
    {"mail", 0x400},
    {"disable_windows_job_object", 0x800},
    {"disable_cpu_limit", 0x1000},
    {"disable_auto_complete", 0x2000},
    {"auto_wrangling", 0x4000},
    {"p_agenda", 0x8000},
    {"migrate_on_frame_retry", 0x10000},
    {"convert_path", 0x20000},
    {"enable_windows_job_object", 0x40000},
    {"no_defaults", 0x80000},
};
// The misspelling has been in job scripts for years: read it, never write it.
const TnFlagTable::Row kJobAliases[] = {{"uninterruptable", 0x1}};

const TnFlagTable::Row kWorkerRows[] = {
    {"dynamic", 0x2},
    {"dedicated", 0x1},
    {"auto_mount", 0x4},
    {"remove_logs", 0x8},
    {"load_profile", 0x10},
    {"rotate_logs", 0x40},
    {"ssl", 0x20},
    {"enable_winbind", 0x80},
    {"disable_quickboot", 0x100},
    {"auto_remove", 0x200},
};

const TnFlagTable::Row kSupervisorRows[] = {
    {"enforce_password", 0x1},
    {"host_recontact", 0x2},
    {"heartbeat_monitor", 0x4},
    {"running_monitor", 0x800},
    {"clone_logs", 0x8},
    {"remove_logs", 0x10},
    {"master", 0x20},
    {"ssl", 0x40},
    {"multicast", 0x80},
    {"schedule", 0x100},
    {"stub_optimize", 0x400},
    {"rotate_logs", 0x200},
    {"retry_busy", 0x1000},
    {"ignore_duplicate_peer", 0x2000},
    {"enable_max_connections", 0x4000},
    {"enable_prediction", 0x8000},
    {"disable_submit_check", 0x10000},
    {"archive_jobs", 0x20000},
};

const TnFlagTable::Row kModeRows[] = {
    {"reject_submit", 0x1},
    {"stop_activity", 0x2},
    {"enforce_password", 0x4},
};

const TnFlagTable::Row kLogRows[] = {
    {"job", 0x1}, {"subjob", 0x2}, {"work", 0x4}, {"callback", 0x8}, {"user", 0x10}, {"admin", 0x20}, {"mail", 0x40},
};

const TnFlagTable::Row kManifestRows[] = {{"job", 0x1}, {"subjob", 0x2}, {"work", 0x4}};

const TnFlagTable::Row kLanguageRows[] = {
    {"tarn", 0x1}, {"perl", 0x2},       {"python", 0x4},         {"post", 0x8},
    {"mail", 0x10}, {"dependency", 0x20}, {"auto_wrangling", 0x40},
};

const TnFlagTable::Row kVerbosityRows[] = {
    {"startup", 0x1},      {"work", 0x2},       {"subjob", 0x4},    {"job", 0x8},        {"host", 0x10},
    {"log", 0x20},         {"admin", 0x40},     {"command", 0x80},  {"query", 0x100},    {"sync", 0x200},
    {"queue", 0x400},      {"callback", 0x800}, {"debug", 0x1000},  {"error", 0x2000},   {"warning", 0x4000},
    {"security", 0x8000},  {"auth", 0x10000},   {"preempt", 0x20000}, {"memory", 0x40000}, {"web", 0x80000},
    {"info", 0x100000},    {"file", 0x400000},
};

const TnFlagTable::Row kClientRows[] = {{"ssl", 0x40}, {"restrict_domain", 0x80}};

const TnFlagTable::Row kDatabaseRows[] = {{"lazy", 0x1}, {"log_times", 0x2}};

const TnFlagTable::Row kPermissionRows[] = {
    {"submit_job", 0x1},
    {"submit_callback", 0x2},
    {"submit_global_callback", 0x4},
    {"bump", 0x8},
    {"kill", 0x10},
    {"remove", 0x20},
    {"modify", 0x40},
    {"preempt", 0x80},
    {"block", 0x100},
    {"interrupt", 0x200},
    {"complete", 0x400},
    {"unblock", 0x800},
    {"suspend", 0x1000},
    {"resume", 0x2000},
    {"retry", 0x4000},
    {"reset", 0x100000},
    {"requeue", 0x8000},
    {"migrate", 0x10000},
    {"shove", 0x20000},
    {"fail", 0x40000},
    {"retire", 0x80000},
    {"lock_host", 0x8000000},
    {"sudo_admin", 0x10000000},
    {"impersonate", 0x20000000},
    {"admin", 0x40000000},
};

constexpr TnFlagTable kJob(kJobRows, TN_ROWS(kJobRows), kJobAliases, TN_ROWS(kJobAliases));
constexpr TnFlagTable kWorker(kWorkerRows, TN_ROWS(kWorkerRows));
constexpr TnFlagTable kSupervisor(kSupervisorRows, TN_ROWS(kSupervisorRows));
constexpr TnFlagTable kMode(kModeRows, TN_ROWS(kModeRows));
constexpr TnFlagTable kLog(kLogRows, TN_ROWS(kLogRows));
constexpr TnFlagTable kManifest(kManifestRows, TN_ROWS(kManifestRows));
constexpr TnFlagTable kLanguage(kLanguageRows, TN_ROWS(kLanguageRows));
constexpr TnFlagTable kVerbosity(kVerbosityRows, TN_ROWS(kVerbosityRows));
constexpr TnFlagTable kClient(kClientRows, TN_ROWS(kClientRows));
constexpr TnFlagTable kDatabase(kDatabaseRows, TN_ROWS(kDatabaseRows));
constexpr TnFlagTable kPermission(kPermissionRows, TN_ROWS(kPermissionRows));

#undef TN_ROWS

bool same(const TnString& item, const char* word) {
    int n = static_cast<int>(strlen(word));
    return item.length() == n && memcmp(item.value(), word, n) == 0;
}

}  // namespace

TnString TnFlagTable::string(int bits) const {
    TnString out("");
    for (int i = 0; i < count_; ++i) {
        if ((bits & rows_[i].value) != rows_[i].value) continue;
        if (!out.empty()) out += ',';
        out += rows_[i].word;
    }
    if (out.empty()) out = "0";
    return out;
}

int TnFlagTable::_word(const TnString& item) const {
    for (int i = 0; i < count_; ++i)
        if (same(item, rows_[i].word)) return rows_[i].value;
    for (int i = 0; i < aliascount_; ++i)
        if (same(item, aliases_[i].word)) return aliases_[i].value;
    return 0;
}

int TnFlagTable::integer(const TnString& text) const {
    if (text.isinteger()) return text.integervalue();
    TnStringList items;
    TnExpression::split(text, items);
    // Values are added, not or-ed; the sum wraps in 32 bits like every flag word.
    uint32_t sum = 0;
    for (int i = 0; i < items.length(); ++i) sum += static_cast<uint32_t>(_word(*items.get(i)));
    return static_cast<int>(sum);
}

bool TnFlagTable::valid(const TnString& text) const {
    if (text.isinteger()) return true;
    TnStringList items;
    TnExpression::split(text, items);
    for (int i = 0; i < items.length(); ++i)
        if (integer(*items.get(i)) == 0) return false;
    return true;
}

TnString tn_job_flag_string(int bits) { return kJob.string(bits); }
int tn_job_flag_int(const TnString& text) { return kJob.integer(text); }
bool tn_job_flag_valid(const TnString& text) { return kJob.valid(text); }

TnString tn_worker_flag_string(int bits) { return kWorker.string(bits); }
int tn_worker_flag_int(const TnString& text) { return kWorker.integer(text); }

TnString tn_supervisor_flag_string(int bits) { return kSupervisor.string(bits); }
int tn_supervisor_flag_int(const TnString& text) { return kSupervisor.integer(text); }

TnString tn_supervisor_mode_flag_string(int bits) { return kMode.string(bits); }
int tn_supervisor_mode_flag_int(const TnString& text) { return kMode.integer(text); }

TnString tn_supervisor_log_flag_string(int bits) { return kLog.string(bits); }
int tn_supervisor_log_flag_int(const TnString& text) { return kLog.integer(text); }

TnString tn_supervisor_manifest_flag_string(int bits) { return kManifest.string(bits); }
int tn_supervisor_manifest_flag_int(const TnString& text) { return kManifest.integer(text); }

TnString tn_supervisor_language_flag_string(int bits) { return kLanguage.string(bits); }
int tn_supervisor_language_flag_int(const TnString& text) { return kLanguage.integer(text); }

TnString tn_supervisor_verbosity_string(int bits) { return kVerbosity.string(bits); }
int tn_supervisor_verbosity_int(const TnString& text) { return kVerbosity.integer(text); }

TnString tn_supelog_flag_string(int bits) { return kVerbosity.string(bits); }
int tn_supelog_flag_int(const TnString& text) { return kVerbosity.integer(text); }

TnString tn_client_flag_string(int bits) { return kClient.string(bits); }
int tn_client_flag_int(const TnString& text) { return kClient.integer(text); }

TnString tn_database_flag_string(int bits) { return kDatabase.string(bits); }
int tn_database_flag_int(const TnString& text) { return kDatabase.integer(text); }

TnString tn_permission_flag_string(int bits) { return kPermission.string(bits); }
int tn_permission_flag_int(const TnString& text) { return kPermission.integer(text); }
