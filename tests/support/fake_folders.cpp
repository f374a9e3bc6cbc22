#include "tests/support/fake_folders.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "tests/support/folder_files.h"

namespace {

struct Listing {
    const std::vector<FakeFolders::Item>* items;
    size_t next;
};

}  // namespace

void FakeFolders::add(const std::string& folder, const std::string& name, bool isFolder, bool tooLong) {
    std::vector<Item>& items = tree_[folder];
    if (items.empty()) items = {{".", true, false, {}, {}}, {"..", true, false, {}, {}}};
    items.push_back({name, isFolder, tooLong, {}, {}});
}

void FakeFolders::addWide(const std::string& folder, const wchar_t* name, const wchar_t* shortName,
                          bool isFolder) {
    add(folder, "", isFolder);
    tree_[folder].back().wideName = name;
    tree_[folder].back().shortName = shortName;
}

void FakeFolders::addPath(const std::string& root, const std::string& relative) {
    std::string folder = root;
    size_t start = 0;
    for (size_t slash; (slash = relative.find('/', start)) != std::string::npos; start = slash + 1) {
        const std::string name = relative.substr(start, slash - start);
        const std::vector<Item>& items = tree_[folder];
        if (std::none_of(items.begin(), items.end(), [&](const Item& i) { return i.name == name; }))
            add(folder, name, true);
        folder += separator_ + name;
    }
    add(folder, relative.substr(start));
}

void* FakeFolders::first(const char* folder, FolderEntry& entry) {
    auto found = tree_.find(folder);
    if (found == tree_.end()) return nullptr;
    ++opened;
    auto* listing = new Listing{&found->second, 0};
    give(listing, entry);
    return listing;
}

bool FakeFolders::next(void* handle, FolderEntry& entry) { return give(handle, entry); }

void FakeFolders::close(void* handle) {
    ++closed;
    delete static_cast<Listing*>(handle);
}

bool FakeFolders::give(void* handle, FolderEntry& entry) {
    auto* listing = static_cast<Listing*>(handle);
    if (listing->next >= listing->items->size()) return false;
    if (beforeEntry) beforeEntry(served);
    ++served;
    const Item& item = (*listing->items)[listing->next++];
    entry = {};
    if (!item.wideName.empty()) {
        takeFolderEntryName(*codePage, item.wideName.c_str(), item.shortName.c_str(), entry);
    } else {
        entry.nameTooLong = item.tooLong || item.name.size() >= kFolderNameSize;
        if (!entry.nameTooLong) std::memcpy(entry.name, item.name.c_str(), item.name.size() + 1);
    }
    entry.attributes = item.folder ? kFolderAttribute : 0x20;
    return true;
}

void FakeScrollBar::check() {
    if (mustBeFree == nullptr) return;
    bool free = false;
    std::thread([&] {
        free = mustBeFree->try_lock();
        if (free) mustBeFree->unlock();
    }).join();
    if (!free) ++callsUnderLock;
}

TempTree::TempTree(const char* prefix) : fs_(platformFileSystem()) {
    TestFolder folder;
    ok = makeTestFolder(fs_, prefix, folder);
    base_ = folder.path;
    separator_ = folder.separator;
}

TempTree::~TempTree() {
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
        it->second ? fs_.removeFolder(it->first.c_str()) : fs_.removeFile(it->first.c_str());
    if (ok) fs_.removeFolder(root().c_str());
}

bool TempTree::make(const std::string& relative) {
    // Each folder on the way is made first, once.
    for (size_t end = relative.find('/'); end != std::string::npos; end = relative.find('/', end + 1)) {
        const std::string folder = path(relative.substr(0, end));
        if (std::find(made_.begin(), made_.end(), std::make_pair(folder, true)) != made_.end()) continue;
        if (!fs_.makeFolder(folder.c_str())) return false;
        made_.emplace_back(folder, true);
    }
    if (relative.empty() || relative.back() == '/') return true;
    const std::string file = path(relative);
    if (!fs_.writeFile(file.c_str(), "", 0)) return false;
    made_.emplace_back(file, false);
    return true;
}

std::string TempTree::root() const { return base_.substr(0, base_.size() - 1); }

std::string TempTree::path(const std::string& relative) const {
    std::string out = base_ + relative;
    for (char& c : out)
        if (c == '/') c = separator_;
    return out;
}
