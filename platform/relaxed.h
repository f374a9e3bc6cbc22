#pragma once
// Values shared between threads with one writer at a time, as atomics with the memory
// orders named once in the type rather than at every load and store.
#include <atomic>
#include <cstdint>

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

// The latest of a stream of values one thread hands to another that it tells by a message
// (a posted window message): only a value offered while no message waits asks for one,
// and the taker gets the latest. Offer and take are each one exchange of one atomic, so a
// value offered while a take runs is either taken by it or asks for a message of its own.
class PostedValue {
public:
    // Stores v (never kNone); true when the taker must be told.
    bool offer(int32_t v) noexcept { return value_.exchange(v, std::memory_order_acq_rel) == kNone; }
    // The latest value offered, or kNone when a message came with none.
    int32_t take() noexcept { return value_.exchange(kNone, std::memory_order_acq_rel); }
    static constexpr int32_t kNone = INT32_MIN;

private:
    std::atomic<int32_t> value_{kNone};
};
