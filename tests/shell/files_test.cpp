#include "platform/files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/support/folder_files.h"

namespace {

class FilesTest : public ::testing::Test {
protected:
    FileSystem& fs = platformFileSystem();
    TestFolder folder;
    std::string a, sibling;

    void SetUp() override {
        ASSERT_TRUE(makeTestFolder(fs, "ovf", folder));
        a = std::string(folder.path) + "a.txt";
        sibling = a + kSiblingSuffix;
    }
    void TearDown() override { EXPECT_TRUE(removeTestFolder(fs, folder.path)); }

    std::string read(const std::string& path) {
        char bytes[64];
        size_t count = 0;
        EXPECT_TRUE(fs.readFile(path.c_str(), bytes, sizeof bytes, &count, false));
        return std::string(bytes, count);
    }
};

TEST_F(FilesTest, WriteReplacesTheWholeFileAndReadStopsAtCapacity) {
    ASSERT_TRUE(fs.writeFile(a.c_str(), "0123456789", 10));
    ASSERT_TRUE(fs.writeFile(a.c_str(), "new", 3));  // shorter: nothing of the old may stay
    EXPECT_EQ(read(a), "new");
    EXPECT_FALSE(fs.fileExists(sibling.c_str()));

    // A longer sibling left behind by a crash is overwritten, not patched.
    ASSERT_TRUE(fs.writeFile(sibling.c_str(), "stale sibling", 13));
    ASSERT_TRUE(fs.writeFile(a.c_str(), "ok", 2));
    EXPECT_EQ(read(a), "ok");
    EXPECT_FALSE(fs.fileExists(sibling.c_str()));

    char two[2];
    size_t count = 99;
    EXPECT_TRUE(fs.readFile(a.c_str(), two, sizeof two, &count, false));
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(std::string(two, 2), "ok");
}

TEST_F(FilesTest, ReadCreatesAnAbsentFileOnlyWhenAsked) {
    char byte;
    size_t count = 99;
    EXPECT_FALSE(fs.readFile(a.c_str(), &byte, 1, &count, false));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(fs.fileExists(a.c_str()));
    EXPECT_TRUE(fs.readFile(a.c_str(), &byte, 1, &count, true));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(fs.fileExists(a.c_str()));
    EXPECT_FALSE(fs.fileExists(std::string(folder.path).c_str()));  // a folder is no file
}

TEST_F(FilesTest, FailedWriteLeavesTheOldFileAndNoSibling) {
    ASSERT_TRUE(fs.writeFile(a.c_str(), "old", 3));
    // The sibling cannot be created where a folder stands.
    ASSERT_TRUE(fs.makeFolder(sibling.c_str()));
    EXPECT_FALSE(fs.writeFile(a.c_str(), "new!", 4));
    EXPECT_EQ(read(a), "old");
    EXPECT_TRUE(fs.removeFolder(sibling.c_str()));

    // The rename cannot replace a folder; the written sibling must go again.
    std::string b = std::string(folder.path) + "b.txt";
    ASSERT_TRUE(fs.makeFolder(b.c_str()));
    EXPECT_FALSE(fs.writeFile(b.c_str(), "new!", 4));
    EXPECT_FALSE(fs.fileExists((b + kSiblingSuffix).c_str()));
    EXPECT_TRUE(fs.removeFolder(b.c_str()));
}

TEST_F(FilesTest, DirectoriesAreCopiedOnlyWhenTheyFit) {
    char dir[300];
    size_t length = fs.tempDirectory(dir, sizeof dir);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, sizeof dir);
    EXPECT_EQ(std::strlen(dir), length);
    EXPECT_TRUE(dir[length - 1] == '/' || dir[length - 1] == '\\') << dir;

    char small[4];
    std::memset(small, 'x', sizeof small);
    if (length >= sizeof small) {
        EXPECT_EQ(fs.tempDirectory(small, sizeof small), length);
        EXPECT_EQ(std::string(small, 4), "xxxx");
    }
    length = fs.currentDirectory(dir, sizeof dir);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::strlen(dir), length);
    if (length >= sizeof small) {
        EXPECT_EQ(fs.currentDirectory(small, sizeof small), length);
        EXPECT_EQ(std::string(small, 4), "xxxx");
    }
}

}  // namespace
