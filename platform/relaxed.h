#pragma once
// Values shared between threads with one writer at a time, as atomics with the memory
// orders named once in the type rather than at every load and store.
#include <atomic>

template <class T, std::memory_order LoadOrder, std::memory_order StoreOrder>
class SharedValue {
public:
    constexpr SharedValue(T v = T()) noexcept : value_(v) {}
    SharedValue(const SharedValue& o) noexcept : value_(o.load()) {}
    SharedValue& operator=(const SharedValue& o) noexcept { store(o.load()); return *this; }
    SharedValue& operator=(T v) noexcept { store(v); return *this; }
    operator T() const noexcept { return load(); }
    T load() const noexcept { return value_.load(LoadOrder); }
    void store(T v) noexcept { value_.store(v, StoreOrder); }

private:
    std::atomic<T> value_;
};

// Relaxed loads and stores: as cheap as a plain byte or word, but free of data races.
template <class T>
using Relaxed = SharedValue<T, std::memory_order_relaxed, std::memory_order_relaxed>;

// A flag that hands something over to another thread: "the thread has left, the song may
// be released", "the search has ended, the list may be read whole". A reader that sees
// the value stored also sees everything the writer did before storing it
// (release/acquire), which a relaxed flag does not promise.
template <class T>
using Handover = SharedValue<T, std::memory_order_acquire, std::memory_order_release>;
