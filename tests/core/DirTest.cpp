#include <gtest/gtest.h>

#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/TnDir.h"

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

// Each test works in a fresh temporary directory, removed afterwards with all it holds; the
// working directory and umask are put back.
class DirTest : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[4096];
        ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
        cwd_ = buf;
        mask_ = ::umask(022);
        const char* tmp = getenv("TMPDIR");
        root_ = std::string(tmp && *tmp ? tmp : "/tmp") + "/tn_dir_XXXXXX";
        ASSERT_NE(mkdtemp(&root_[0]), nullptr);
    }
    void TearDown() override {
        EXPECT_EQ(::chdir(cwd_.c_str()), 0);
        ::umask(mask_);
        nftw(root_.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
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
    std::string root_, cwd_;
    mode_t mask_ = 0;
};

}  // namespace

TEST_F(DirTest, ListingAndFileTests) {
    file("f", "hello");
    ASSERT_EQ(::mkdir(at("d").value(), 0755), 0);
    ASSERT_EQ(::symlink(at("f").value(), at("link").value()), 0);
    ASSERT_EQ(::symlink(at("gone").value(), at("dangling").value()), 0);

    TnDir d(TnString(root_.c_str()));
    TnStringList names;
    for (int i = 0; i < d.length(); ++i) names.push(new TnString(d.get(i)));
    names.sort();
    EXPECT_EQ(names.join(","), TnString(".,..,d,dangling,f,link"));
    EXPECT_EQ(d.get(d.length()), TnString(""));
    EXPECT_EQ(TnDir(at("missing")).length(), 0);
    EXPECT_EQ(TnDir(at("f")).length(), 0);

    struct {
        const char* rel;
        bool dir, reg, link;
    } cases[] = {
        {"f", false, true, false},
        {"d", true, false, false},
        {"link", false, true, true},  // followed, except by islink
        {"dangling", false, false, true},
        {"missing", false, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TnDir::isdir(at(c.rel)), c.dir) << c.rel;
        EXPECT_EQ(TnDir::isfile(at(c.rel)), c.reg) << c.rel;
        EXPECT_EQ(TnDir::islink(at(c.rel)), c.link) << c.rel;
    }
    std::string nul = root_ + "/f";
    nul.push_back('\0');
    EXPECT_FALSE(TnDir::isfile(TnString(nul.data(), static_cast<int>(nul.size()))));  // not ".../f"
    EXPECT_EQ(TnDir::size(at("f")), 5);
    EXPECT_EQ(TnDir::size(at("missing")), 0);

    EXPECT_FALSE(TnDir::fullaccess(at("f")));
    ASSERT_EQ(::chmod(at("f").value(), 01777), 0);
    EXPECT_TRUE(TnDir::fullaccess(at("f")));
}

TEST_F(DirTest, MakeCreatesEveryMissingLevelWithFullAccess) {
    EXPECT_EQ(TnDir::make(at("a/b/c"), 0700), 1);
    for (const char* rel : {"a", "a/b", "a/b/c"}) EXPECT_EQ(mode(at(rel)), 0777) << rel;

    ASSERT_EQ(::chmod(at("a").value(), 0750), 0);  // existing levels are left alone
    EXPECT_EQ(TnDir::make(at("a/b/d/"), 0700), 1);
    EXPECT_EQ(mode(at("a")), 0750);
    EXPECT_EQ(mode(at("a/b/d")), 0777);

    EXPECT_EQ(TnDir::make("", 0700), 0);
    file("plain", "x");
    EXPECT_EQ(TnDir::make(at("plain/sub"), 0700), 0);

    ASSERT_EQ(TnDir::chdir(TnString(root_.c_str())), 1);
    EXPECT_EQ(TnDir::make("r/s", 0700), 1);  // relative to the working directory
    EXPECT_TRUE(TnDir::isdir(at("r/s")));
    EXPECT_EQ(TnDir::chdir(at("missing")), 0);

    TnDir one(at("one"));
    EXPECT_EQ(one.make(0700), 1);
    EXPECT_TRUE(TnDir::fullaccess(at("one")));
    EXPECT_EQ(one.make(0700), 0);  // already there
    EXPECT_EQ(one.remove(), 1);
    EXPECT_FALSE(TnDir::isdir(at("one")));
    EXPECT_EQ(TnDir(at("no/parent")).make(0700), 0);
}
