#include "support/Support.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
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

std::string buildDir() { return TN_BUILD_DIR; }

}  // namespace support
