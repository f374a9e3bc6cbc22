#include "platform/posix/live_schedule.h"

#include <cstring>

#include "platform/midi_device.h"

void StepTimeline::beginStep(uint32_t nowMs, uint32_t periodMs)
{
    const uint64_t now = uint64_t(nowMs) * rate_ / 1000;
    const uint64_t latency = uint64_t(kLatencyMs) * rate_ / 1000;
    periodFrames_ = uint64_t(periodMs) * rate_ / 1000;
    // Behind: the step's messages would come too late. Far ahead: they would wait longer
    // than the latency promises.
    const bool behind = start_ < now + periodFrames_;
    const bool ahead = start_ > now + 2 * latency;
    if (!started_ || behind || ahead)
        start_ = now + latency;
    started_ = true;
}

uint32_t StepTimeline::dueMs(uint32_t place) const
{
    const uint64_t at = start_ + periodFrames_ * place / kStepPlaceOne;
    const uint64_t block = (at + kBlockFrames - 1) / kBlockFrames;
    return static_cast<uint32_t>(block * kBlockFrames * 1000 / rate_);
}

LiveQueue::LiveQueue() : entries_(new Entry[kCapacity]), longs_(new uint8_t[kLongSlots * kLongBytes]) {}

bool LiveQueue::push(uint32_t dueMs, uint32_t message)
{
    const uint32_t head = head_.load(std::memory_order_relaxed);
    if (head - tail_.load(std::memory_order_acquire) >= kCapacity)
        return false;
    entries_[head & (kCapacity - 1)] = {dueMs, message, 0};
    head_.store(head + 1, std::memory_order_release);
    lastDue_ = dueMs;
    return true;
}

bool LiveQueue::pushLong(uint32_t dueMs, const uint8_t* bytes, uint32_t count)
{
    const uint32_t head = head_.load(std::memory_order_relaxed);
    const uint32_t longHead = longHead_.load(std::memory_order_relaxed);
    if (count == 0 || count > kLongBytes || head - tail_.load(std::memory_order_acquire) >= kCapacity ||
        longHead - longTail_.load(std::memory_order_acquire) >= kLongSlots)
        return false;
    std::memcpy(longs_.get() + (longHead & (kLongSlots - 1)) * kLongBytes, bytes, count);
    longHead_.store(longHead + 1, std::memory_order_relaxed);
    entries_[head & (kCapacity - 1)] = {dueMs, 0, count};
    // The entry's release also publishes the slot's bytes.
    head_.store(head + 1, std::memory_order_release);
    lastDue_ = dueMs;
    return true;
}

bool LiveQueue::empty() const
{
    return head_.load(std::memory_order_acquire) == tail_.load(std::memory_order_acquire);
}

void LiveQueue::clear()
{
    head_.store(0);
    tail_.store(0);
    longHead_.store(0);
    longTail_.store(0);
    lastDue_ = 0;
}
