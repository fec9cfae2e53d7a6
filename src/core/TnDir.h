#ifndef TN_CORE_TNDIR_H
#define TN_CORE_TNDIR_H

#include "core/TnBase.h"
#include "core/TnString.h"
#include "core/TnStringList.h"

// A directory and the names it held when it was loaded ("." and ".." included, in the order
// the system lists them), with the file tests the farm's tools share. Tests give false when
// the path cannot be examined; an unreadable directory lists nothing.
class TnDir : public TnBase {
public:
    TnDir();
    explicit TnDir(const TnString& dir);

    int type() const override { return 78; }

    // Reads the entries again; their number.
    int load();
    int length() const { return entries_.length(); }
    // The i-th name, or an empty text out of range.
    TnString get(int i) const;
    const TnString& dir() const { return dir_; }
    // Removes the directory itself, which must be empty; 1 on success.
    int remove();

    // Creates this directory with mode, then gives it permission bits 0777; 1 on success.
    int make(int mode);
    // Creates every missing directory along path the same way; 1 when path is a directory
    // afterwards, 0 for an empty path or when a step fails.
    static int make(const TnString& path, int mode);

    // Size in bytes of what path names, 0 when it cannot be examined.
    static long long size(const TnString& path);
    static bool isdir(const TnString& path);
    static bool isfile(const TnString& path);
    // Looks at path itself, not at what a symbolic link points to.
    static bool islink(const TnString& path);
    // All nine permission bits set.
    static bool fullaccess(const TnString& path);
    // Changes the process's working directory; 1 on success.
    static int chdir(const TnString& path);

private:
    TnString dir_;
    TnStringList entries_;
};

#endif
