#pragma once
// Fakes for the folder search and the play list view: a folder tree held in memory (a
// fixed enumeration order, names no file system allows, tens of thousands of files at no
// cost), a list scroll bar that records its state, and a real tree in a temporary folder.
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "display/list_view.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/shift_jis.h"

class FakeFolders final : public FolderEnumerator {
public:
    struct Item {
        std::string name;
        bool folder;
        bool tooLong;
        std::wstring wideName, shortName;  // a name as Windows lists it, when wideName is set
    };
    FakeFolders(char separator, bool caseSensitive) : separator_(separator), caseSensitive_(caseSensitive) {}

    // Entries of a folder (its full path), listed in the order added; "." and ".." first.
    void add(const std::string& folder, const std::string& name, bool isFolder = false, bool tooLong = false);
    // A file below root at a relative path with '/' between its parts, and the folders on
    // the way (each added once).
    void addPath(const std::string& root, const std::string& relative);
    // An entry listed as Windows lists it, by its long and short (maybe empty) names, named
    // in codePage's text as the platform's enumeration names it.
    void addWide(const std::string& folder, const wchar_t* name, const wchar_t* shortName,
                 bool isFolder = false);
    const CodePageConverter* codePage = nullptr;

    char separator() const override { return separator_; }
    bool caseSensitive() const override { return caseSensitive_; }
    void upperCase(char* path) const override { upperCaseAscii(path); }
    void* first(const char* folder, FolderEntry& entry) override;
    bool next(void* handle, FolderEntry& entry) override;
    void close(void* handle) override;

    // Called on the walking thread before each entry is given, with the count so far.
    std::function<void(int)> beforeEntry;
    std::atomic<int> served{0}, opened{0}, closed{0};

private:
    bool give(void* handle, FolderEntry& entry);
    char separator_;
    bool caseSensitive_;
    std::map<std::string, std::vector<Item>> tree_;
};

class FakeScrollBar final : public ListScrollBar {
public:
    void setRange(int32_t max) override { check(); enabled = true; maximum = max; }
    void setPosition(int32_t p) override { check(); position = p; }
    void disable() override { check(); enabled = false; position = 0; }
    void show(bool s) override { check(); shown = s; }

    bool enabled = false, shown = false;
    int32_t maximum = -1, position = 0;
    // When set, every call checks from another thread that this lock is free: a call made
    // while holding it can deadlock with the user-interface thread.
    std::mutex* mustBeFree = nullptr;
    int callsUnderLock = 0;

private:
    void check();
};

// Files and folders made below a fresh temporary folder, removed again at the end.
class TempTree {
public:
    explicit TempTree(const char* prefix);
    ~TempTree();
    // A file, or a folder when it ends in '/', at a relative path with '/' between its
    // parts; the folders on the way are made too.
    bool make(const std::string& relative);
    // The tree's root without its trailing separator, and a relative path below it.
    std::string root() const;
    std::string path(const std::string& relative) const;
    bool ok = false;

private:
    FileSystem& fs_;
    std::string base_;  // ends in the separator
    char separator_ = '/';
    std::vector<std::pair<std::string, bool>> made_;
};
