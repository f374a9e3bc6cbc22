#pragma once
// A value shared between threads with one writer at a time. Loads and stores are
// relaxed atomics: as cheap as a plain byte or word, but free of data races.
#include <atomic>

template <class T>
class Relaxed {
public:
    constexpr Relaxed(T v = T()) noexcept : value_(v) {}
    Relaxed(const Relaxed& o) noexcept : value_(o.load()) {}
    Relaxed& operator=(const Relaxed& o) noexcept { store(o.load()); return *this; }
    Relaxed& operator=(T v) noexcept { store(v); return *this; }
    operator T() const noexcept { return load(); }
    T load() const noexcept { return value_.load(std::memory_order_relaxed); }
    void store(T v) noexcept { value_.store(v, std::memory_order_relaxed); }

private:
    std::atomic<T> value_;
};

// A flag that hands something over to another thread: "the thread has left, the song may
// be released", "the search has ended, the list may be read whole". A reader that sees
// the value stored also sees everything the writer did before storing it
// (release/acquire), which a relaxed flag does not promise.
template <class T>
class Handover {
public:
    constexpr Handover(T v = T()) noexcept : value_(v) {}
    Handover(const Handover&) = delete;
    Handover& operator=(const Handover&) = delete;
    Handover& operator=(T v) noexcept { store(v); return *this; }
    operator T() const noexcept { return load(); }
    T load() const noexcept { return value_.load(std::memory_order_acquire); }
    void store(T v) noexcept { value_.store(v, std::memory_order_release); }

private:
    std::atomic<T> value_;
};
