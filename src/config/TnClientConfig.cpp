#include "config/TnClientConfig.h"

#include "config/TnConfig.h"
#include "config/TnDefaults.h"
#include "core/TnEnv.h"
#include "diag/TnDebug.h"
#include "model/TnFlagTable.h"

TnClientConfig::TnClientConfig() { _build(); }

TnString TnClientConfig::_text(const TnConfig& file, const char* name, const TnString& fallback) {
    const TnString& v = file.option(name);
    return v.length() > 0 ? v : fallback;
}

int TnClientConfig::_number(const TnConfig& file, const char* name, int fallback) {
    // Not a number reads as 0, and 0 is no port or time-out either.
    int v = file.option(name).integervalue();
    return v != 0 ? v : fallback;
}

void TnClientConfig::_build() {
    TnEnv env;
    env.setToEnv();
    TnString dir = env.value("TN_DIR");
    if (dir.length() > 0) tn_default_set_tndir(dir, 3);

    TnConfig file(tn_default_string(301));
    tn_default_set_tndir(file.option("tn_directory"), 2);

    TnString envhosts = env.value("TN_SUPERVISOR");
    if (envhosts.length() > 0) {
        supervisor_hosts(envhosts);
    } else {
        supervisor_hosts(file.option("supervisor_host"));
        if (file.option("tn_supervisor").length() > 0) supervisor_hosts(file.option("tn_supervisor"));
    }

    TnString domain = env.value("TN_DOMAIN");
    if (domain.length() > 0)
        tn_domain_ = domain;
    else
        tn_domain_ = _text(file, "tn_domain", file.option("supervisor_domain"));
    tn_region_ = file.option("tn_region");

    supervisor_logpath_ = _text(file, "supervisor_logpath", tn_default_string(8));
    worker_address_ = file.option("worker_address");
    worker_template_path_ = _text(file, "worker_template_path", tn_default_string(112));
    worker_path_map_ = file.option("worker_path_map");
    worker_logpath_ = _text(file, "worker_logpath", tn_default_string(111));
    client_logpath_ = file.option("client_logpath");
    worker_logmode_ = _text(file, "worker_logmode", tn_default_string(117));

    client_timeout_ = _number(file, "client_timeout", tn_default_int(306));
    worker_port_ = _number(file, "worker_port", tn_default_int(113));
    supervisor_port_ = _number(file, "supervisor_port", tn_default_int(10));
    supervisor_sub_port_ = _number(file, "supervisor_sub_port", tn_default_int(49));
    supervisor_http_port_ = _number(file, "supervisor_http_port", tn_default_int(48));

    client_mail_address_ = file.option("client_mail_address");
    client_account_ = file.option("client_account");
    client_host_domain_ = file.option("client_host_domain");
    client_priority_ = file.option("client_priority");
    client_p_agenda_priority_ = file.option("client_p_agenda_priority");
    client_cluster_ = file.option("client_cluster");
    client_restrictions_ = file.option("client_restrictions");
    client_drive_map_ = file.option("client_drive_map");
    client_path_map_ = file.option("client_path_map");

    // Present but empty means "no job flags", which differs from not being set at all.
    client_job_flags_ =
        file.exists("client_job_flags") ? tn_job_flag_int(file.option("client_job_flags")) : tn_default_int(305);
    client_flags_ = tn_client_flag_int(file.option("client_flags"));
}

void TnClientConfig::supervisor_hosts(const TnString& text) {
    tn_supervisor_ = text;
    int start = 0;
    const int n = text.length();
    for (int i = 0; i <= n; ++i) {
        char c = i < n ? text.get(i) : ',';
        if (c != ' ' && c != ',' && c != '\t' && c != '\n' && c != '\r') continue;
        if (i > start) {
            TnHostname* host = new TnHostname();
            host->copy(text.substr(start, i));
            supervisor_hosts_.push(host);
        }
        start = i + 1;
    }
}

void TnClientConfig::add_supervisor_host(TnHostname* host) {
    if (!host) return;
    for (int i = 0; i < supervisor_hosts_.length(); ++i) {
        if (supervisor_hosts_.get(i)->host() == host->host()) {
            delete host;
            return;
        }
    }
    supervisor_hosts_.push(host);
}

TnString TnClientConfig::tn_directory() { return tn_default_get_tndir(); }

void TnClientConfig::display() const {
    TnDebug& d = tn_debug_obj();
    d.lock();
    d << "tn_supervisor(s) total: " << supervisor_hosts_.length() << '\n';
    for (int i = 0; i < supervisor_hosts_.length(); ++i) d << "tn_supervisor: " << supervisor_hosts_.get(i)->host() << '\n';
    auto line = [&d](const char* name, const TnString& value) { d << name << ": " << value << '\n'; };
    auto number = [&d](const char* name, int value) { d << name << ": " << value << '\n'; };
    line("tn_domain", tn_domain_);
    line("tn_region", tn_region_);
    number("supervisor_port", supervisor_port_);
    number("supervisor_sub_port", supervisor_sub_port_);
    line("supervisor_logpath", supervisor_logpath_);
    line("worker_address", worker_address_);
    line("worker_logmode", worker_logmode_);
    line("worker_logpath", worker_logpath_);
    line("worker_template_path", worker_template_path_);
    line("worker_path_map", worker_path_map_);
    number("worker_port", worker_port_);
    line("client_logpath", client_logpath_);
    line("client_path_map", client_path_map_);
    line("client_cluster", client_cluster_);
    line("client_host_domain", client_host_domain_);
    line("client_account", client_account_);
    line("client_restrictions", client_restrictions_);
    line("client_drive_map", client_drive_map_);
    line("client_mail_address", client_mail_address_);
    line("client_priority", client_priority_);
    line("client_p_agenda_priority", client_p_agenda_priority_);
    number("client_flags", client_flags_);
    number("client_job_flags", client_job_flags_);
    number("client_timeout", client_timeout_);
    d.unlock();
}
