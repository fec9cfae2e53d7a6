#include "protocol/TnFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

// Writes all of text to fd; false when a write fails first.
bool writeFd(int fd, const TnString& text) {
    const char* p = text.value();
    int left = text.length();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<int>(n);
    }
    return left == 0;
}

bool writeAll(const TnString& path, const TnString& text, int flags) {
    if (path.empty()) return false;
    int fd = open(path.value(), flags | O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool written = writeFd(fd, text);
    bool closed = close(fd) == 0;
    return written && closed;
}

}  // namespace

bool TnFile::exists(const TnString& path) {
    struct stat st;
    return !path.empty() && stat(path.value(), &st) == 0;
}

long long TnFile::size(const TnString& path) {
    struct stat st;
    if (path.empty() || stat(path.value(), &st) != 0) return -1;
    return st.st_size;
}

long long TnFile::mtime(const TnString& path) {
    struct stat st;
    if (path.empty() || stat(path.value(), &st) != 0) return 0;
    return st.st_mtime;
}

// Reads until end of file rather than trusting the size stat reports, so files that grow
// while being read or report no size (/proc) load too; the cap holds either way.
bool TnFile::load(const TnString& path, TnString& out) {
    out.clear();
    struct stat st;
    if (path.empty() || stat(path.value(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (st.st_size > kMaxLoadBytes) return false;
    int fd = open(path.value(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char block[65536];
    bool good = true;
    for (;;) {
        ssize_t n = read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) good = false;
        if (n <= 0) break;
        if (out.length() + n > kMaxLoadBytes) {
            good = false;
            break;
        }
        out.append(block, static_cast<int>(n));
    }
    close(fd);
    if (!good) out.clear();
    return good;
}

bool TnFile::save(const TnString& path, const TnString& text) { return writeAll(path, text, O_TRUNC); }

bool TnFile::replace(const TnString& path, const TnString& text) {
    if (path.empty()) return false;
    TnString scratch = path + ".XXXXXX";
    char* name = scratch.copyvalue();
    if (!name) return false;
    int fd = mkstemp(name);
    bool good = fd >= 0;
    if (good) {
        // Other processes of the same user read it; mkstemp made it private to this one.
        good = writeFd(fd, text) && fchmod(fd, 0644) == 0;
        good = close(fd) == 0 && good;
        good = good && rename(name, path.value()) == 0;
        if (!good) unlink(name);
    }
    delete[] name;
    return good;
}

bool TnFile::append(const TnString& path, const TnString& text) { return writeAll(path, text, O_APPEND); }

bool TnFile::remove(const TnString& path) { return !path.empty() && unlink(path.value()) == 0; }

bool TnFile::touch(const TnString& path) {
    if (path.empty()) return false;
    int fd = open(path.value(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool stamped = futimens(fd, nullptr) == 0;
    close(fd);
    return stamped;
}
