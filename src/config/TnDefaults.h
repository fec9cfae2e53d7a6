#ifndef TN_CONFIG_TNDEFAULTS_H
#define TN_CONFIG_TNDEFAULTS_H

#include "core/TnString.h"

// Built-in paths, ports and limits by numeric key. Keys are grouped by the component that
// reads them: 0-99 supervisor, 100-199 worker, 200-299 programming interfaces, 300-399
// command-line clients, 400-499 graphical interface, 500-599 database, 600-699 mail
// templates, 700 and above other tools. Paths under the installation follow the base
// directory as it is at the time of the call.
TnString tn_default_string(int key);
int tn_default_int(int key);

// The base directory: built in at level 0; a setting wins only over one of a lower level
// (the configuration file sets level 2, the environment level 3).
TnString tn_default_get_tndir();
int tn_default_get_tndir_level();
void tn_default_set_tndir(const TnString& dir, int level);
// Back to the built-in directory at level 0 (for programs that re-read their settings).
void tn_default_reset_tndir();

// The tables of the alternative packaging: no configuration file, other scheduling
// defaults; every other key as above.
TnString tn_oem_default_string(int key);
int tn_oem_default_int(int key);

#endif
