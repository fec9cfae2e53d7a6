#include <gtest/gtest.h>

#include <sys/stat.h>
#include <time.h>
#include <utime.h>

#include <string>

#include "protocol/TnFile.h"
#include "support/Support.h"

TEST(FileHelpers, SaveLoadAppendRemove) {
    support::TempDir dir;
    TnString path = dir.file("a.txt").c_str();
    EXPECT_FALSE(TnFile::exists(path));
    EXPECT_EQ(TnFile::size(path), -1);
    EXPECT_EQ(TnFile::mtime(path), 0);

    TnString out("stale");
    EXPECT_FALSE(TnFile::load(path, out));
    EXPECT_TRUE(out.empty());

    TnString binary("a\0b", 3);
    ASSERT_TRUE(TnFile::save(path, binary));
    EXPECT_TRUE(TnFile::exists(path));
    EXPECT_EQ(TnFile::size(path), 3);
    ASSERT_TRUE(TnFile::load(path, out));
    EXPECT_EQ(out, binary);

    ASSERT_TRUE(TnFile::append(path, "cd"));
    ASSERT_TRUE(TnFile::load(path, out));
    EXPECT_EQ(out.length(), 5);
    ASSERT_TRUE(TnFile::save(path, "x"));  // replaces, not appends
    ASSERT_TRUE(TnFile::load(path, out));
    EXPECT_EQ(out, TnString("x"));
    ASSERT_TRUE(TnFile::save(path, ""));
    EXPECT_EQ(TnFile::size(path), 0);

    EXPECT_TRUE(TnFile::remove(path));
    EXPECT_FALSE(TnFile::remove(path));
    EXPECT_FALSE(TnFile::exists(path));

    // A directory exists but does not load; a path in a missing directory cannot be saved.
    EXPECT_TRUE(TnFile::exists(dir.path().c_str()));
    EXPECT_FALSE(TnFile::load(dir.path().c_str(), out));
    EXPECT_FALSE(TnFile::save(dir.file("no/such").c_str(), "x"));
    EXPECT_FALSE(TnFile::exists(""));
    EXPECT_FALSE(TnFile::touch(""));
}

TEST(FileHelpers, TouchAndWholeSecondTimes) {
    support::TempDir dir;
    TnString path = dir.file("t").c_str();
    ASSERT_TRUE(TnFile::touch(path));
    EXPECT_EQ(TnFile::size(path), 0);
    utimbuf old = {1000000000, 1000000000};
    ASSERT_EQ(utime(path.value(), &old), 0);
    EXPECT_EQ(TnFile::mtime(path), 1000000000);
    ASSERT_TRUE(TnFile::touch(path));
    EXPECT_GE(TnFile::mtime(path), time(nullptr) - 5);

    // Loading /proc files, which report no size, still reads them.
    TnString stat;
    EXPECT_TRUE(TnFile::load("/proc/self/stat", stat));
    EXPECT_GT(stat.length(), 10);
}

TEST(FileRecord, LoadsItself) {
    support::TempDir dir;
    ASSERT_TRUE(TnFile::save(dir.file("f").c_str(), "contents"));
    TnFile f(dir.file("f").c_str());
    ASSERT_TRUE(f.load());
    EXPECT_EQ(f.data(), TnString("contents"));
}
