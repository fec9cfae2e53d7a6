#ifndef TN_TOOLS_TNMSGTAGS_H
#define TN_TOOLS_TNMSGTAGS_H

#include <string>
#include <vector>

// Reads the tagged binary form without knowing the record behind it: the fields of one level
// (to tell an envelope from another record, or to cut a field out), or every level as an
// indented tree of tag, wire type and value. Unlike a record's decoder it knows the width of
// every wire type, so fields that no class reads, records of unregistered types included, are
// shown rather than lost. The bytes are hostile: every length is checked against what is left.
class TnMsgTags {
public:
    struct Field {
        short tag;
        short wire;
        int offset;   // of the tag header
        int length;   // of the whole field, header included
        int objtype;  // the announced type of a nested object, else 0
    };

    // Nesting shown at most; deeper objects are summarised in one line.
    static constexpr int kMaxDepth = 64;
    // Bytes of a string shown at most.
    static constexpr int kMaxShown = 256;

    // The fields of one level of n bytes (no version word). False when the bytes end inside a
    // field or name an unknown wire type; `why` then says where, and `fields` holds the good
    // fields before it.
    static bool split(const char* data, int n, std::vector<Field>& fields, std::string& why);

    // Appends the tree of n bytes of fields to out, two blanks of indent per level. False at
    // the first malformed field, with `why`; out keeps everything before it.
    static bool tree(const char* data, int n, std::string& out, std::string& why, int depth = 0);

    // Whether the fields look like a message envelope: tag 1 present, and every field one of the
    // envelope's tags under its wire type.
    static bool envelope(const std::vector<Field>& fields);

    static const char* wirename(short wire);
    // The XML word of a registered content type, else "unregistered".
    static std::string typeword(int type);
    // A quoted, escaped rendering of bytes, cut after kMaxShown.
    static std::string quoted(const char* data, int n);
};

#endif
