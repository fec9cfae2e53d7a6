#ifndef TN_CONFIG_TNCLIENTCONFIG_H
#define TN_CONFIG_TNCLIENTCONFIG_H

#include "core/TnBase.h"
#include "core/TnString.h"
#include "protocol/TnHostname.h"
#include "protocol/TnHostnameList.h"

class TnConfig;

// What every program of the farm needs to reach the supervisor and the workers, read once at
// construction from the environment (TN_DIR, TN_SUPERVISOR, TN_DOMAIN), then "/etc/tn.conf",
// then the built-in defaults, in that order of precedence. A new object reads everything
// again; the base directory it may set is process-wide and outlives it.
class TnClientConfig : public TnBase {
public:
    TnClientConfig();
    TnClientConfig(const TnClientConfig&) = default;
    TnClientConfig& operator=(const TnClientConfig&) = default;

    int type() const override { return 75; }

    TnHostnameList& supervisor_hosts() { return supervisor_hosts_; }
    const TnHostnameList& supervisor_hosts() const { return supervisor_hosts_; }
    // Keeps text as tn_supervisor and appends one host per name (names are separated by
    // blanks and commas; "host:port" sets the port). The list is not cleared first.
    void supervisor_hosts(const TnString& text);
    // Takes host over: appends it unless a host of that name is listed already, in which case
    // it is deleted. Null is ignored.
    void add_supervisor_host(TnHostname* host);

    const TnString& tn_supervisor() const { return tn_supervisor_; }
    const TnString& tn_domain() const { return tn_domain_; }
    const TnString& tn_region() const { return tn_region_; }
    const TnString& supervisor_logpath() const { return supervisor_logpath_; }
    const TnString& worker_path_map() const { return worker_path_map_; }
    const TnString& worker_logpath() const { return worker_logpath_; }
    // The client log path, or the supervisor's when none is set.
    const TnString& client_logpath() const {
        return client_logpath_.length() > 0 ? client_logpath_ : supervisor_logpath_;
    }
    const TnString& worker_address() const { return worker_address_; }
    const TnString& worker_template_path() const { return worker_template_path_; }
    const TnString& worker_logmode() const { return worker_logmode_; }
    const TnString& client_path_map() const { return client_path_map_; }
    const TnString& client_cluster() const { return client_cluster_; }
    const TnString& client_host_domain() const { return client_host_domain_; }
    const TnString& client_account() const { return client_account_; }
    const TnString& client_restrictions() const { return client_restrictions_; }
    const TnString& client_drive_map() const { return client_drive_map_; }
    const TnString& client_priority() const { return client_priority_; }
    const TnString& client_p_agenda_priority() const { return client_p_agenda_priority_; }
    const TnString& client_mail_address() const { return client_mail_address_; }
    int worker_port() const { return worker_port_; }
    int supervisor_port() const { return supervisor_port_; }
    int supervisor_sub_port() const { return supervisor_sub_port_; }
    int supervisor_http_port() const { return supervisor_http_port_; }
    int client_flags() const { return client_flags_; }
    int client_job_flags() const { return client_job_flags_; }
    int client_timeout() const { return client_timeout_; }

    // The base directory of the defaults as it is now.
    static TnString tn_directory();

    // Every setting, to the debug log.
    void display() const;

private:
    void _build();
    static TnString _text(const TnConfig& file, const char* name, const TnString& fallback);
    static int _number(const TnConfig& file, const char* name, int fallback);

    TnHostnameList supervisor_hosts_;
    TnString tn_domain_;
    TnString tn_region_;
    TnString tn_supervisor_;
    TnString supervisor_logpath_;
    TnString worker_path_map_;
    TnString worker_logpath_;
    TnString client_logpath_;
    TnString worker_address_;
    TnString worker_template_path_;
    TnString worker_logmode_;
    TnString client_path_map_;
    TnString client_cluster_;
    TnString client_host_domain_;
    TnString client_account_;
    TnString client_restrictions_;
    TnString client_drive_map_;
    TnString client_priority_;
    TnString client_p_agenda_priority_;
    TnString client_mail_address_;
    int worker_port_ = 0;
    int supervisor_port_ = 0;
    int supervisor_sub_port_ = 0;
    int supervisor_http_port_ = 0;
    int client_flags_ = 0;
    int client_job_flags_ = 0;
    int client_timeout_ = 0;
};

#endif
