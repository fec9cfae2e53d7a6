#ifndef TN_CORE_TNPATHMAP_H
#define TN_CORE_TNPATHMAP_H

#include "core/TnStringHash.h"
#include "core/TnStringList.h"
#include "protocol/TnRecord.h"

class TnConfigFile;

// Ordered from/to path prefixes, read from the section "direct" of a sectioned
// configuration text:
//
//   [direct]
//   /mnt/proj = P:
//   "P:\\shots" = /mnt/shots      keys holding ':' or '.' must be quoted
//
// Translation is plain text substitution in list order (see TnPath::translate).
class TnPathMap : public TnRecord<TnPathMap> {
public:
    static constexpr int kTypeCode = 154;
    static constexpr const char* kTypeXML = "pathmap";
    static void fields(TnFieldTable<TnPathMap>& t) {
        t.field(1, "direct_map", &TnPathMap::direct_map_);
        t.field(2, "direct_list", &TnPathMap::direct_list_);
    }

    TnPathMap() { resetFields(); }
    explicit TnPathMap(const TnString& path);
    TnPathMap(const TnPathMap& other) : TnRecord<TnPathMap>() { copy(other); }
    TnPathMap& operator=(const TnPathMap& other) {
        copy(other);
        return *this;
    }

    // Adds the mappings of a file (lines before any header belong to "default", so only those
    // under [direct] count); 0 when the file cannot be read.
    int load(const TnString& path);
    // Adds the mappings of a text; lines before any header belong to "direct".
    void parse(const TnString& text);
    void revert(const TnString& text) { parse(text); }
    // "[direct]" and one "from=to" line per mapping, in order.
    TnString convert() const;

    // Sets the mapping of from; a new from goes to the end of the order.
    void addToDirectMap(const TnString& from, const TnString& to);
    const TnStringHash& directmap() const { return direct_map_; }
    const TnStringList& directmap_keys() const { return direct_list_; }
    int valid() const { return direct_map_.length() > 0; }
    int is_empty() const { return direct_map_.length() == 0; }

    // path with every mapping applied in order, each to the result of the one before.
    TnString translate(const TnString& path) const;

private:
    void _take(const TnConfigFile& file);

    TnStringHash direct_map_;
    TnStringList direct_list_;
};

#endif
