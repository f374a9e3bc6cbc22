// A disk that fills up in the middle of a write, made with the file size limit.
#include "platform/files.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <sys/resource.h>

#include "tests/support/folder_files.h"

namespace {

TEST(FilesPosixTest, WriteCutShortByAFullDiskLeavesTheOldFile) {
    FileSystem& fs = platformFileSystem();
    TestFolder folder;
    ASSERT_TRUE(makeTestFolder(fs, "ovp", folder));
    std::string a = std::string(folder.path) + "a.txt";
    std::string old(100, 'o'), replacement(300, 'n');
    ASSERT_TRUE(fs.writeFile(a.c_str(), old.data(), old.size()));

    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 200;  // the first 200 bytes go out, the rest fails with EFBIG
    auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool written = fs.writeFile(a.c_str(), replacement.data(), replacement.size());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    char bytes[400];
    size_t count = 0;
    EXPECT_TRUE(fs.readFile(a.c_str(), bytes, sizeof bytes, &count, false));
    EXPECT_EQ(std::string(bytes, count), old);
    EXPECT_TRUE(removeTestFolder(fs, folder.path));  // fails if the sibling stayed
}

}  // namespace
