#ifndef TN_CORE_TNPATH_H
#define TN_CORE_TNPATH_H

#include "core/TnBase.h"
#include "core/TnString.h"
#include "core/TnStringList.h"

class TnPathMap;

// A path as some host of the farm wrote it, with its kind guessed from its form: a network
// share (\\host\share), a drive path (C:\dir, C:/dir, dir\file), a Unix path (/usr) or an
// NFS-style host:path. Components are split at both kinds of slash.
class TnPath : public TnBase {
public:
    enum Kind { kUnknown = 0, kUnc = 1, kDos = 2, kUnix = 3, kNfs = 4 };

    TnPath();
    explicit TnPath(const TnString& path);
    TnPath(const TnPath& other) = default;
    TnPath& operator=(const TnPath& other) = default;

    int type() const override { return 77; }

    const TnString& value() const { return value_; }
    // Replaces the path and analyses it again.
    void value(const TnString& path);
    int pathtype() const { return pathtype_; }
    TnString pathtypestring() const;
    const TnStringList& components() const { return components_; }

    static int analyse(const TnString& path);
    bool isFullPath() const;
    // Makes a relative path absolute under dir (an empty dir changes nothing).
    void root(const TnString& dir);
    // Drops the leading components given by prefix and writes the rest with the separator of
    // pathtype; 1 when every component of prefix matched, else 0 and the path is unchanged.
    int strip(const TnString& prefix, int pathtype);
    // Applies every from/to prefix of map in its order, each to the result of the one before
    // (plain substitution, wherever the prefix occurs), then analyses the path again.
    const TnString& translate(const TnPathMap& map);

    // Replaces list with the non-empty components of path; their number.
    static int split(const TnString& path, TnStringList& list);
    static TnString normalize(const TnString& path);
    static TnString chomp(const TnString& path, int n = 1);
    static int match(const TnString& prefix, const TnString& path);

private:
    TnString value_;
    TnStringList components_;
    int pathtype_ = kUnknown;
};

#endif
