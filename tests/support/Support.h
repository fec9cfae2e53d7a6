#ifndef TN_TESTS_SUPPORT_SUPPORT_H
#define TN_TESTS_SUPPORT_SUPPORT_H

#include <netinet/in.h>

#include <string>

// Small helpers shared by the test programs.
namespace support {

// A fresh directory under /tmp, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Whole-file helpers for test fixtures.
std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& text);

// 127.0.0.1 and a port, ready for bind() or connect().
sockaddr_in loopback(int port);
// The local port a socket is bound to.
int boundPort(int fd);

// Where the build put its programs (vnd, the stand-in peers).
std::string buildDir();

}  // namespace support

#endif
