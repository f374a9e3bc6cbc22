#pragma once
// The messages of one clock step with their places, held until the step ends and then
// taken in the order of their places (those of one place in the order they came): the
// interpreter sends a step's events track by track, not in time order. Fixed storage,
// taken once; a step that sends more than it holds is taken early by the device.
#include <cstdint>
#include <memory>

class StepQueue {
public:
    struct Message {
        uint32_t place;
        uint32_t order;      // arrival, so that one place keeps the order sent
        uint32_t message;    // a short message, or 0 for a long one
        uint32_t longAt;     // a long message's bytes in the pool
        uint32_t longLength; // 0 for a short message
    };
    static constexpr uint32_t kCapacity = 4096;
    static constexpr uint32_t kLongBytes = 65536;

    StepQueue();
    // False when the queue is full (or a long message does not fit the pool at all).
    bool add(uint32_t place, uint32_t message);
    bool addLong(uint32_t place, const uint8_t* bytes, uint32_t count);
    // Orders the messages by place; begin() to end() then run in that order.
    void sort();
    const Message* begin() const { return messages_.get(); }
    const Message* end() const { return messages_.get() + count_; }
    bool empty() const { return count_ == 0; }
    const uint8_t* longBytes(const Message& m) const { return pool_.get() + m.longAt; }
    void clear();

private:
    std::unique_ptr<Message[]> messages_;
    std::unique_ptr<uint8_t[]> pool_;
    uint32_t count_ = 0;
    uint32_t poolUsed_ = 0;
};
