#ifndef TN_TOOLS_TNMSGTAGS_H
#define TN_TOOLS_TNMSGTAGS_H

#include <cstdio>
#include <string>
#include <vector>

// Reads the tagged binary form without knowing the record behind it: field by field (to tell
// an envelope from another record, or to cut a field out), or every level as an
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

    // The field of n bytes that starts at pos, and pos moved behind it. False when the bytes
    // end inside it or it names an unknown wire type; `why` then says where.
    static bool next(const char* data, int n, int& pos, Field& f, std::string& why);

    // Writes the tree of n bytes of fields to out as it goes (a file may hold millions), two
    // blanks of indent per level. False at the first malformed field, with `why`.
    static bool tree(const char* data, int n, FILE* out, std::string& why, int depth = 0);

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
