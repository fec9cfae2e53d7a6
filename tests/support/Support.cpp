#include "support/Support.h"

#include <arpa/inet.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace support {

TempDir::TempDir() {
    char templ[] = "/tmp/tntestXXXXXX";
    const char* made = mkdtemp(templ);
    path_ = made ? made : "/tmp";
}

TempDir::~TempDir() {
    if (path_ == "/tmp" || path_.empty()) return;
    std::string command = "rm -rf '" + path_ + "'";
    if (system(command.c_str()) != 0) return;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

bool writeFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

sockaddr_in loopback(int port) {
    sockaddr_in sa;
    memset(&sa, 0, sizeof sa);
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return sa;
}

int boundPort(int fd) {
    sockaddr_in sa;
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    return ntohs(sa.sin_port);
}

std::string buildDir() { return TN_BUILD_DIR; }

}  // namespace support
