#ifndef TN_MODEL_TNFLAGTABLE_H
#define TN_MODEL_TNFLAGTABLE_H

#include "core/TnString.h"

// A set of bits that people write as comma-separated words (job flags, permissions ...).
// The rows are in printing order, which is not always the order of the bits; aliases are
// words that are read but never printed.
//
// Printing lists the word of every row whose bits are all set, joined with ",", or "0" when
// none is; bits without a word are dropped. Reading takes an integer text as it is (bits
// without a word included); otherwise it adds the values of the items that match a word
// exactly, so a word given twice counts twice, and ignores the others.
class TnFlagTable {
public:
    struct Row {
        const char* word;
        int value;
    };

    constexpr TnFlagTable(const Row* rows, int count, const Row* aliases = nullptr, int aliascount = 0)
        : rows_(rows), count_(count), aliases_(aliases), aliascount_(aliascount) {}

    TnString string(int bits) const;
    int integer(const TnString& text) const;
    // True for an integer text, or when every item alone reads as non-zero bits.
    bool valid(const TnString& text) const;

    int length() const { return count_; }
    const Row& row(int i) const { return rows_[i]; }

private:
    int _word(const TnString& item) const;

    const Row* rows_;
    int count_;
    const Row* aliases_;
    int aliascount_;
};

TnString tn_job_flag_string(int bits);
int tn_job_flag_int(const TnString& text);
bool tn_job_flag_valid(const TnString& text);

TnString tn_worker_flag_string(int bits);
int tn_worker_flag_int(const TnString& text);

TnString tn_supervisor_flag_string(int bits);
int tn_supervisor_flag_int(const TnString& text);

TnString tn_supervisor_mode_flag_string(int bits);
int tn_supervisor_mode_flag_int(const TnString& text);

TnString tn_supervisor_log_flag_string(int bits);
int tn_supervisor_log_flag_int(const TnString& text);

TnString tn_supervisor_manifest_flag_string(int bits);
int tn_supervisor_manifest_flag_int(const TnString& text);

TnString tn_supervisor_language_flag_string(int bits);
int tn_supervisor_language_flag_int(const TnString& text);

TnString tn_supervisor_verbosity_string(int bits);
int tn_supervisor_verbosity_int(const TnString& text);

// The supervisor's event log selects from the same words as its verbosity.
TnString tn_supelog_flag_string(int bits);
int tn_supelog_flag_int(const TnString& text);

TnString tn_client_flag_string(int bits);
int tn_client_flag_int(const TnString& text);

TnString tn_database_flag_string(int bits);
int tn_database_flag_int(const TnString& text);

TnString tn_permission_flag_string(int bits);
int tn_permission_flag_int(const TnString& text);

#endif
