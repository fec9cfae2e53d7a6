#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tn.h"

// tn.h must name every public header of the library; scripts/umbrella.sh rewrites it.
TEST(Umbrella, IncludesEveryLibraryHeader) {
    std::string src = std::string(TN_TEST_DATA) + "/../../src/";
    std::ifstream in(src + "tn.h");
    std::stringstream all;
    all << in.rdbuf();
    for (const char* dir : {"core", "diag", "protocol", "model", "config", "server"}) {
        DIR* d = opendir((src + dir).c_str());
        if (!d) continue;
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() < 3 || name.substr(name.size() - 2) != ".h") continue;
            std::string line = std::string("#include \"") + dir + "/" + name + "\"";
            EXPECT_NE(all.str().find(line), std::string::npos) << "tn.h lacks " << line;
        }
        closedir(d);
    }
}
