#pragma once
// A set of files dropped on the window: the platform's drop handle (HDROP on Windows;
// a list of paths in the terminal player and in tests).
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class DropSource {
public:
    virtual ~DropSource() = default;
    virtual uint32_t count() = 0;
    // Copies the path of file index (at most size - 1 bytes, always terminated) and
    // returns its whole length, so a caller can tell a path that was cut.
    virtual size_t path(uint32_t index, char* out, size_t size) = 0;
    // Answers the drop (DragFinish); the set is not read afterwards.
    virtual void finish() = 0;
};

// A drop made of paths held in memory: the terminal player's list of files.
class PathListDrop final : public DropSource {
public:
    explicit PathListDrop(std::vector<std::string> paths) : paths_(std::move(paths)) {}
    uint32_t count() override { return static_cast<uint32_t>(paths_.size()); }
    size_t path(uint32_t index, char* out, size_t size) override;
    // Nothing to answer: the paths are the player's own.
    void finish() override {}

private:
    std::vector<std::string> paths_;
};
