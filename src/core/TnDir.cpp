#include "core/TnDir.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "core/TnPath.h"

namespace {

// A name with a NUL byte would silently name another file.
bool usable(const TnString& path) { return !path.empty() && !memchr(path.value(), 0, path.length()); }

bool examine(const TnString& path, struct stat& st) { return usable(path) && ::stat(path.value(), &st) == 0; }

}  // namespace

TnDir::TnDir() = default;

TnDir::TnDir(const TnString& dir) : dir_(dir) { load(); }

int TnDir::load() {
    entries_.clear();
    if (!usable(dir_)) return 0;
    DIR* d = opendir(dir_.value());
    if (!d) return 0;
    while (struct dirent* e = readdir(d)) entries_.push(new TnString(e->d_name));
    closedir(d);
    return entries_.length();
}

TnString TnDir::get(int i) const {
    const TnString* s = entries_.get(i);
    return s ? *s : TnString("");
}

int TnDir::remove() {
    if (!usable(dir_)) return 0;
    return ::rmdir(dir_.value()) == 0 ? 1 : 0;
}

int TnDir::make(int mode) {
    if (!usable(dir_)) return 0;
    if (::mkdir(dir_.value(), static_cast<mode_t>(mode)) != 0) return 0;
    return ::chmod(dir_.value(), 0777) == 0 ? 1 : 0;
}

int TnDir::make(const TnString& path, int mode) {
    if (!usable(path)) return 0;
    TnStringList parts;
    TnPath::split(path, parts);
    TnString prefix(path.get(0) == '/' ? "/" : "");
    for (int i = 0; i < parts.length(); ++i) {
        if (i > 0) prefix += '/';
        prefix += *parts.get(i);
        if (isdir(prefix)) continue;
        if (::mkdir(prefix.value(), static_cast<mode_t>(mode)) == 0)
            ::chmod(prefix.value(), 0777);
        else if (!isdir(prefix))  // somebody else may have made it meanwhile
            return 0;
    }
    return isdir(path) ? 1 : 0;
}

long long TnDir::size(const TnString& path) {
    struct stat st;
    return examine(path, st) ? static_cast<long long>(st.st_size) : 0;
}

bool TnDir::isdir(const TnString& path) {
    struct stat st;
    return examine(path, st) && S_ISDIR(st.st_mode);
}

bool TnDir::isfile(const TnString& path) {
    struct stat st;
    return examine(path, st) && S_ISREG(st.st_mode);
}

bool TnDir::islink(const TnString& path) {
    struct stat st;
    if (!usable(path)) return false;
    return ::lstat(path.value(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool TnDir::fullaccess(const TnString& path) {
    struct stat st;
    return examine(path, st) && (st.st_mode & 0777) == 0777;
}

int TnDir::chdir(const TnString& path) {
    if (!usable(path)) return 0;
    return ::chdir(path.value()) == 0 ? 1 : 0;
}
