#include "platform/posix/step_queue.h"

#include <algorithm>
#include <cstring>

StepQueue::StepQueue() : messages_(new Message[kCapacity]), pool_(new uint8_t[kLongBytes]) {}

bool StepQueue::add(uint32_t place, uint32_t message)
{
    if (count_ == kCapacity)
        return false;
    messages_[count_] = {place, count_, message, 0, 0};
    ++count_;
    return true;
}

bool StepQueue::addLong(uint32_t place, const uint8_t* bytes, uint32_t count)
{
    if (count_ == kCapacity || count == 0 || count > kLongBytes - poolUsed_)
        return false;
    std::memcpy(pool_.get() + poolUsed_, bytes, count);
    messages_[count_] = {place, count_, 0, poolUsed_, count};
    ++count_;
    poolUsed_ += count;
    return true;
}

void StepQueue::sort()
{
    // std::sort needs no memory of its own, unlike std::stable_sort; the arrival number
    // keeps it stable.
    std::sort(messages_.get(), messages_.get() + count_, [](const Message& a, const Message& b) {
        return a.place != b.place ? a.place < b.place : a.order < b.order;
    });
}

void StepQueue::clear()
{
    count_ = 0;
    poolUsed_ = 0;
}
