// The messages of a step taken in the order of their places, those of one place in the
// order sent, and the long-message pool filled to its last byte.
#include "platform/posix/step_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(StepQueue, TakesMessagesByPlaceThenInTheOrderSent) {
    StepQueue q;
    const uint32_t sent[][2] = {{500, 1}, {100, 2}, {500, 3}, {0, 4}, {100, 5}, {500, 6}};
    for (const auto& m : sent) ASSERT_TRUE(q.add(m[0], m[1]));
    q.sort();
    std::vector<uint32_t> taken;
    for (const StepQueue::Message& m : q) taken.push_back(m.message);
    EXPECT_EQ(taken, (std::vector<uint32_t>{4, 2, 5, 1, 3, 6}));
}

TEST(StepQueue, TheLongPoolHoldsExactlyItsSize) {
    const struct {
        uint32_t first, second;
        bool fits;
    } cases[] = {
        {StepQueue::kLongBytes - 6, 6, true},
        {StepQueue::kLongBytes - 6, 7, false},
        {StepQueue::kLongBytes, 1, false},
    };
    for (const auto& c : cases) {
        StepQueue q;
        std::vector<uint8_t> a(c.first, 0xF0), b(c.second, 0xF7);
        ASSERT_TRUE(q.addLong(0, a.data(), c.first));
        EXPECT_EQ(q.addLong(1, b.data(), c.second), c.fits) << c.first << " + " << c.second;
        if (!c.fits) continue;
        q.sort();
        const StepQueue::Message& last = *(q.end() - 1);
        EXPECT_EQ(std::vector<uint8_t>(q.longBytes(last), q.longBytes(last) + last.longLength), b);
    }
}

}  // namespace
