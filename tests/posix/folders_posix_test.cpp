// The opendir/readdir enumeration: what it gives that Windows gives too, links not walked,
// the file system's root, and the upper-casing's byte rules.
#include "platform/folders.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <unistd.h>

#include "tests/support/fake_folders.h"

namespace {

std::map<std::string, uint32_t> listing(FolderEnumerator& folders, const std::string& folder) {
    std::map<std::string, uint32_t> names;
    FolderEntry entry;
    void* handle = folders.first(folder.c_str(), entry);
    for (bool more = handle != nullptr; more; more = folders.next(handle, entry))
        names[entry.name] = entry.attributes;
    if (handle != nullptr) folders.close(handle);
    return names;
}

TEST(FoldersPosixTest, DotsHiddenFilesAndLinksAsWindowsWouldList) {
    TempTree tree("ovd");
    ASSERT_TRUE(tree.ok);
    ASSERT_TRUE(tree.make("Sub/.Hidden.mid"));
    ASSERT_EQ(symlink(tree.path("Sub").c_str(), tree.path("link").c_str()), 0);
    FolderEnumerator& folders = platformFolders();
    const std::map<std::string, uint32_t> expected = {
        {".", kFolderAttribute}, {"..", kFolderAttribute}, {"Sub", kFolderAttribute}, {"link", 0}};
    EXPECT_EQ(listing(folders, tree.root()), expected);  // a linked folder is not entered
    EXPECT_EQ(listing(folders, tree.path("Sub")).count(".Hidden.mid"), 1u);
    EXPECT_TRUE(listing(folders, tree.path("missing")).empty());
    EXPECT_EQ(listing(folders, ""), listing(folders, "/"));  // the root, joined with '/' later
    EXPECT_GT(listing(folders, "").size(), 2u);
    unlink(tree.path("link").c_str());
}

TEST(FoldersPosixTest, UpperCasingOfShiftJisBytes) {
    const char* cases[][2] = {{"a\x83", "A\x83"},              // a lead byte without its follower
                              {"\x82\x81z", "\x82\x81Z"},      // a full-width letter stays as it is
                              {"\x83\x61\x83\x61", "\x83\x61\x83\x61"}};
    for (const auto& c : cases) {
        char text[16];
        std::strcpy(text, c[0]);
        platformFolders().upperCase(text);
        EXPECT_STREQ(text, c[1]);
    }
    EXPECT_TRUE(platformFolders().caseSensitive());
    EXPECT_EQ(platformFolders().separator(), '/');
}

}  // namespace
