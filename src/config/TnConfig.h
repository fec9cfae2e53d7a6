#ifndef TN_CONFIG_TNCONFIG_H
#define TN_CONFIG_TNCONFIG_H

#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "protocol/TnAddress.h"
#include "protocol/TnRecord.h"

// One named set of options: name/value texts kept in the order in which each name was
// first set. Reads and writes the simple configuration syntax
//
//   # comment
//   name = value            bare word, up to a blank, '#' or a byte of 128 or above
//   name = "two words"      or 'two words': up to the quote or the end of the line
//   name = {several         braces span lines and nest; inner braces are kept
//           lines}
//   [header]                skipped: every option of a text belongs to this one entry
//
// and travels as a record. Parsing never fails: a malformed line is skipped.
class TnConfig : public TnRecord<TnConfig> {
public:
    static constexpr int kTypeCode = 50;
    static constexpr const char* kTypeXML = "config";
    static void fields(TnFieldTable<TnConfig>& t) {
        t.field(1, "address", &TnConfig::address_);
        t.field(3, "optionlist", &TnConfig::labels_);
        t.field(0, "options", &TnConfig::options_);
        t.field(2, "name", &TnConfig::name_);
    }

    // A file larger than this is read only up to here (a configuration file is small; this
    // keeps a device or a runaway file from eating the memory).
    static constexpr int kMaxFileBytes = 16 * 1024 * 1024;

    TnConfig();
    explicit TnConfig(const TnString& path);
    TnConfig(const TnConfig& other);
    TnConfig& operator=(const TnConfig& other);

    // Address, name and options; the labels, or the option names when other has no labels.
    void copy(const TnConfig& other);

    // Reads the whole file and parses it; 0 (and nothing changed but valid) when it cannot
    // be opened. Options already held are kept and may be overwritten.
    int load(const TnString& path);
    void parse(const TnString& text);
    void revert(const TnString& text) { parse(text); }
    unsigned char valid() const { return valid_; }

    // The parse cursor over the text last parsed.
    bool eof() const { return position_ >= text_.length(); }
    char get();
    char peek() const { return text_.get(position_); }
    const TnString& text() const { return text_; }

    // The value, or an empty text when absent; valid until the option is set or removed.
    const TnString& option(const TnString& name) const;
    void option(const TnString& name, const TnString& value);
    int exists(const TnString& name) const { return options_.get(name) != nullptr; }
    int remove(const TnString& name);

    TnStringList optionlist() const { return labels_; }
    void labels(TnStringList& out) const { out.copy(labels_); }
    int length() const { return labels_.length(); }

    const TnString& name() const { return name_; }
    void name(const TnString& n) { name_ = n; }
    // The host the entry describes; blank for a plain file.
    const TnAddress& address() const { return address_; }
    void address(const TnAddress& a) { address_ = a; }

    // The local host name as the system reports it.
    static TnString host();

    // 1 when every option named by other's labels has the same value here (absent reads as
    // empty).
    int matchsubset(const TnConfig& other) const;
    // Sets every option of other here, in other's label order.
    void inherit(const TnConfig& other);

    // The options in the simple syntax, one line each in label order.
    TnString convert() const;
    // The options written into the layout of a template text (comments, order and blank
    // lines of the template kept; options it lacks follow at the end).
    TnString usetemplate(const TnString& templ) const;
    // usetemplate with the template read from a file; an unreadable file is an empty template.
    TnString loadtemplate(const TnString& path) const;

    // "items: N", then "i: name=value" per label, to the debug log.
    void display() const;

    // One line of convert() for name and value (no newline).
    static TnString assignment(const TnString& name, const TnString& value);
    // Reads a whole file into out, up to kMaxFileBytes; false when it cannot be opened.
    static bool readfile(const TnString& path, TnString& out);

private:
    void _parse();
    void _skipline();

    TnAddress address_;
    TnString name_;
    TnStringList labels_;
    TnStringHash options_;
    TnString text_;
    int position_ = 0;
    unsigned char valid_ = 0;
    TnString empty_;
};

#endif
