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
