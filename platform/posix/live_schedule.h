#pragma once
// How the live synth plays each message at its place within its step: the playback
// thread hands the step's messages over with the moment they are due on the synth's own
// clock, and the audio thread applies them at the synth block that starts then.
#include <atomic>
#include <cstdint>
#include <memory>

// Where the steps lie on the synth's clock. The steps follow each other at their nominal
// length, kLatencyMs after the moment the first of them was timed, so the jitter of the
// playback thread does not reach the sound. The line starts over when the playback thread
// has fallen behind it (a pause, a stall) or the audio clock has (drift between clocks).
class StepTimeline {
public:
    static constexpr uint32_t kLatencyMs = 50;
    static constexpr uint32_t kBlockFrames = 64; // FluidSynth renders in blocks of 64

    explicit StepTimeline(uint32_t sampleRate) : rate_(sampleRate) {}
    // Before the messages of a step are timed, with the synth's clock (ms) at that moment.
    void beginStep(uint32_t nowMs, uint32_t periodMs);
    // When a message at place (0 .. kStepPlaceOne) of this step is due: the synth's clock
    // (ms) at the start of the block the moment falls in or, if none starts there, the
    // next. The synth applies messages at block starts; its clock counts whole ms.
    uint32_t dueMs(uint32_t place) const;
    // The next step begins where this one ends.
    void endStep() { start_ += periodFrames_; }
    // Forget the line: the next step starts a new one.
    void reset() { started_ = false; }

private:
    uint32_t rate_;
    bool started_ = false;
    uint64_t start_ = 0; // frames
    uint64_t periodFrames_ = 0;
};

// Messages in the order sent, each with the moment it is due, from the threads that send
// (one at a time: the caller locks) to the audio thread that applies them. Fixed storage;
// neither side allocates or waits on the other.
class LiveQueue {
public:
    static constexpr uint32_t kCapacity = 8192;   // a power of two
    static constexpr uint32_t kLongSlots = 128;   // a power of two
    static constexpr uint32_t kLongBytes = 1024;  // the player's System Exclusive buffer

    struct Entry {
        uint32_t dueMs;
        uint32_t message;    // a short message, unless longLength is set
        uint32_t longLength; // a System Exclusive message in the next long slot
    };

    LiveQueue();
    // Sender side. False when full (or a long message exceeds kLongBytes).
    bool push(uint32_t dueMs, uint32_t message);
    bool pushLong(uint32_t dueMs, const uint8_t* bytes, uint32_t count);
    // The latest due moment pushed: a message sent between steps goes after it.
    uint32_t lastDue() const { return lastDue_; }
    bool empty() const;

    // Audio thread: applies, in order, every message due at nowMs (the clock counts
    // modulo 2^32). A message waits for the one before it.
    template <class Apply>
    void dispatch(uint32_t nowMs, Apply&& apply)
    {
        uint32_t tail = tail_.load(std::memory_order_relaxed);
        const uint32_t head = head_.load(std::memory_order_acquire);
        uint32_t longTail = longTail_.load(std::memory_order_relaxed);
        for (; tail != head; ++tail) {
            const Entry& e = entries_[tail & (kCapacity - 1)];
            if (static_cast<int32_t>(nowMs - e.dueMs) < 0)
                break;
            if (e.longLength) {
                apply(e, longs_.get() + (longTail & (kLongSlots - 1)) * kLongBytes);
                ++longTail;
            } else {
                apply(e, nullptr);
            }
        }
        longTail_.store(longTail, std::memory_order_release);
        tail_.store(tail, std::memory_order_release);
    }
    // Drops what is queued; only while no audio thread runs.
    void clear();

private:
    std::unique_ptr<Entry[]> entries_;
    std::unique_ptr<uint8_t[]> longs_;
    std::atomic<uint32_t> head_{0}, tail_{0};
    std::atomic<uint32_t> longHead_{0}, longTail_{0};
    uint32_t lastDue_ = 0;
};
