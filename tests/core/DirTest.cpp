#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/TnDir.h"

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

// Each test works in a fresh temporary directory that is removed with all it holds, and
// gets the process's working directory and umask back.
class DirTest : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[4096];
        ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
        cwd_ = buf;
        mask_ = ::umask(022);
        const char* tmp = getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tn_dir_XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back(0);
        ASSERT_NE(mkdtemp(name.data()), nullptr);
        root_ = name.data();
    }
    void TearDown() override {
        if (::chdir(cwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << cwd_;
        ::umask(mask_);
        if (!root_.empty()) nftw(root_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    }
    // root/head, a NUL byte, then tail.
    TnString withNul(const char* head, const char* tail) const {
        std::string s = root_ + "/" + head;
        s.push_back('\0');
        s += tail;
        return TnString(s.data(), static_cast<int>(s.size()));
    }
    TnString at(const char* rel) const { return TnString((root_ + "/" + rel).c_str()); }
    void file(const char* rel, const char* content) {
        int fd = ::open(at(rel).value(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, content, strlen(content)), static_cast<ssize_t>(strlen(content)));
        ::close(fd);
    }
    static int mode(const TnString& p) {
        struct stat st;
        return ::stat(p.value(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
    }

    std::string root_;
    std::string cwd_;
    mode_t mask_ = 0;
};

}  // namespace

TEST_F(DirTest, ListsEveryEntry) {
    file("x", "1");
    file("y", "22");
    ASSERT_EQ(::mkdir(at("sub").value(), 0755), 0);
    TnDir d(TnString(root_.c_str()));
    EXPECT_EQ(d.dir(), TnString(root_.c_str()));
    ASSERT_EQ(d.length(), 5);
    std::vector<std::string> names;
    for (int i = 0; i < d.length(); ++i) names.push_back(d.get(i).value());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "sub", "x", "y"}));
    EXPECT_EQ(d.get(5), TnString(""));
    EXPECT_EQ(d.get(-1), TnString(""));

    file("z", "");
    EXPECT_EQ(d.load(), 6);

    TnDir missing(at("missing"));
    EXPECT_EQ(missing.length(), 0);
    TnDir notDir(at("x"));
    EXPECT_EQ(notDir.length(), 0);
    TnDir none;
    EXPECT_EQ(none.length(), 0);
}

TEST_F(DirTest, MakeCreatesEveryMissingLevelWithFullAccess) {
    TnString deep = at("a/b/c");
    EXPECT_EQ(TnDir::make(deep, 0700), 1);
    for (const char* rel : {"a", "a/b", "a/b/c"}) {
        EXPECT_TRUE(TnDir::isdir(at(rel))) << rel;
        EXPECT_EQ(mode(at(rel)), 0777) << rel;  // despite the umask and the mode given
    }
    // Existing levels are left as they are.
    ASSERT_EQ(::chmod(at("a").value(), 0750), 0);
    EXPECT_EQ(TnDir::make(at("a/b/d/"), 0700), 1);
    EXPECT_EQ(mode(at("a")), 0750);
    EXPECT_EQ(mode(at("a/b/d")), 0777);
    EXPECT_EQ(TnDir::make(deep, 0700), 1);

    EXPECT_EQ(TnDir::make("", 0700), 0);
    file("plain", "x");
    EXPECT_EQ(TnDir::make(at("plain/sub"), 0700), 0);
    EXPECT_EQ(TnDir::make(withNul("n", "ul"), 0700), 0);

    // A relative path is made under the working directory.
    ASSERT_EQ(TnDir::chdir(TnString(root_.c_str())), 1);
    EXPECT_EQ(TnDir::make("r/s", 0700), 1);
    EXPECT_TRUE(TnDir::isdir(at("r/s")));
}

TEST_F(DirTest, MakeAndRemoveOneDirectory) {
    TnDir d(at("one"));
    EXPECT_EQ(d.make(0700), 1);
    EXPECT_TRUE(TnDir::fullaccess(at("one")));
    EXPECT_EQ(d.make(0700), 0);  // already there
    EXPECT_EQ(d.remove(), 1);
    EXPECT_FALSE(TnDir::isdir(at("one")));
    EXPECT_EQ(d.remove(), 0);

    TnDir nested(at("no/parent"));
    EXPECT_EQ(nested.make(0700), 0);
}

TEST_F(DirTest, FileTests) {
    file("f", "hello");
    ASSERT_EQ(::mkdir(at("d").value(), 0755), 0);
    ASSERT_EQ(::symlink(at("f").value(), at("link").value()), 0);
    ASSERT_EQ(::symlink(at("gone").value(), at("dangling").value()), 0);

    struct Case {
        const char* rel;
        bool dir, reg, link;
    };
    std::vector<Case> cases = {
        {"f", false, true, false},
        {"d", true, false, false},
        {"link", false, true, true},  // the link is followed except by islink
        {"dangling", false, false, true},
        {"missing", false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TnDir::isdir(at(c.rel)), c.dir) << c.rel;
        EXPECT_EQ(TnDir::isfile(at(c.rel)), c.reg) << c.rel;
        EXPECT_EQ(TnDir::islink(at(c.rel)), c.link) << c.rel;
    }
    EXPECT_FALSE(TnDir::isdir(""));
    EXPECT_FALSE(TnDir::isfile(withNul("f", "x")));

    EXPECT_EQ(TnDir::size(at("f")), 5);
    EXPECT_EQ(TnDir::size(at("missing")), 0);

    EXPECT_FALSE(TnDir::fullaccess(at("f")));
    ASSERT_EQ(::chmod(at("f").value(), 0777), 0);
    EXPECT_TRUE(TnDir::fullaccess(at("f")));
    ASSERT_EQ(::chmod(at("f").value(), 01777), 0);
    EXPECT_TRUE(TnDir::fullaccess(at("f")));
    EXPECT_FALSE(TnDir::fullaccess(at("missing")));
}

TEST_F(DirTest, ChangesTheWorkingDirectory) {
    ASSERT_EQ(::mkdir(at("w").value(), 0755), 0);
    EXPECT_EQ(TnDir::chdir(at("w")), 1);
    char buf[4096];
    ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
    char* real = realpath(at("w").value(), nullptr);
    ASSERT_NE(real, nullptr);
    EXPECT_STREQ(buf, real);
    free(real);
    EXPECT_EQ(TnDir::chdir(at("missing")), 0);
    EXPECT_EQ(TnDir::chdir(""), 0);
}
