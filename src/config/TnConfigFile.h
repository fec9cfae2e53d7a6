#ifndef TN_CONFIG_TNCONFIGFILE_H
#define TN_CONFIG_TNCONFIGFILE_H

#include <vector>

#include "config/TnConfigHash.h"
#include "core/TnBase.h"
#include "core/TnStringList.h"

// Reads the sectioned configuration syntax into one TnConfig per section:
//
//   port = 50011                     lines before any header go to the default section
//   [node[01-20]]: default           a header may name many hosts; after ':' parents whose
//                                    options every named section takes
//   logdir = /var/log/$self          self/this after '$' is the receiving section's name
//   master = ${default.port}         references to an option of any section ($_ is the
//   "two words" = "a \"quoted\" x"   section's own name); keys and values may be quoted
//   default.port = 1                 section.key sets one section alone
//
// Words of an unquoted value are joined without blanks. A statement of no known form ends
// reading; what was read before it stands.
class TnConfigFile : public TnBase {
public:
    // Bounds for hostile text: sections in all, option stores in one reading, nesting of
    // references between sections, and bytes looked at while expanding references.
    static constexpr int kMaxSections = 4096;
    static constexpr long long kMaxStores = 1 << 18;
    static constexpr int kMaxDepth = 16;
    static constexpr long long kMaxExpansionBytes = 4LL * 1024 * 1024;
    static constexpr int kMaxValueBytes = 1024 * 1024;

    TnConfigFile();
    TnConfigFile(const TnString& path, unsigned char casefold);

    int type() const override { return 80; }

    // Reads the whole file and parses it; 0 when it cannot be read.
    int load(const TnString& path);
    void parse(const TnString& text);

    // The section, or null; owned by this object until release().
    TnConfig* config(const TnString& section) const { return sections_.get(section); }
    // Copies of the section names, in order of creation.
    void keys(TnStringList& out) const;
    int length() const { return sections_.length(); }
    TnConfigHash export_hash() const { return sections_; }
    // Forgets every section without deleting it (for a caller that took them over).
    void release();

    const TnString& default_section_name() const { return defaultName_; }
    void default_section_name(const TnString& name) { defaultName_ = name; }
    unsigned char casefold() const { return casefold_; }

    // Every section and its options, to the debug log.
    void display() const;

    // The statement tokens of text (see the syntax above).
    static void tokenize(const TnString& text, TnStringList& tokens);
    // The tokens of a value: runs of blanks, '.', '{', '}', '\', '$' and words.
    static void stringtokenize(const TnString& value, TnStringList& tokens);
    // value with "self" or "this" after "$" or "${" replaced by section.
    static TnString _localvalue(const TnString& value, const TnString& section);
    // text with its references expanded as seen from section.
    TnString _value(const TnConfig& section, const TnString& text);

    enum Kind { kWord, kQuote, kBrace, kNewline, kColon, kOpen, kClose, kEquals, kBackslash, kDot };
    struct Token {
        Kind kind;
        TnString text;
        bool spaced;  // blanks or a comment stood before it
    };
    static void _tokens(const TnString& text, std::vector<Token>& out);

private:
    TnConfig* _section(const TnString& name);
    void _store(const TnString& section, const TnString& key, const TnString& value);
    bool _header(const std::vector<Token>& t, size_t& i, TnStringList& current);
    void _parents(const std::vector<Token>& t, size_t& i, const TnString& header, const TnStringList& current);
    bool _assignment(const std::vector<Token>& t, size_t& i, const TnStringList& current);
    void _expand();
    TnString _value(const TnConfig& section, const TnString& text, int depth);

    TnConfigHash sections_;
    TnStringList order_;  // section names in order of creation
    TnString defaultName_;
    unsigned char casefold_ = 0;
    long long stores_ = 0;
    long long budget_ = 0;
};

#endif
