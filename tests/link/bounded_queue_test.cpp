// The blocking FIFO between threads: waiting producers and consumers, order.
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "link/bounded_queue.h"

using namespace std::chrono_literals;

namespace {

// Long enough for a thread that is not blocked to have finished its call.
constexpr auto settle = 30ms;
constexpr auto bound = 2s;

enum class Take { Pop, TryPop };

void PrintTo(Take how, std::ostream* out) {
    *out << (how == Take::Pop ? "pop" : "try_pop");
}

int take(BoundedQueue<int>& q, Take how) {
    if (how == Take::Pop)
        return q.pop();
    std::optional<int> v = q.try_pop();
    return v ? *v : -1;
}

} // namespace

class FullQueue : public ::testing::TestWithParam<Take> {};

TEST_P(FullQueue, ThirdPushWaitsUntilAnotherThreadTakesOne) {
    BoundedQueue<int> q(2);
    q.push(1);
    q.push(2);

    std::atomic<bool> pushed{false};
    auto producer = std::async(std::launch::async, [&] {
        q.push(3);
        pushed = true;
    });
    EXPECT_EQ(producer.wait_for(settle), std::future_status::timeout);
    EXPECT_FALSE(pushed);
    EXPECT_EQ(q.size(), 2u);

    auto consumer = std::async(std::launch::async, [&] { return take(q, GetParam()); });
    ASSERT_EQ(consumer.wait_for(bound), std::future_status::ready);
    EXPECT_EQ(consumer.get(), 1);
    ASSERT_EQ(producer.wait_for(bound), std::future_status::ready);
    EXPECT_TRUE(pushed);

    EXPECT_EQ(q.try_pop(), 2);
    EXPECT_EQ(q.pop(), 3);
    EXPECT_EQ(q.try_pop(), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(ByConsumer, FullQueue, ::testing::Values(Take::Pop, Take::TryPop),
                         [](const auto& info) {
                             return info.param == Take::Pop ? "pop" : "try_pop";
                         });

TEST(BoundedQueue, TryPopOnEmptyReturnsNothingAtOnce) {
    BoundedQueue<int> q(2);
    EXPECT_EQ(q.try_pop(), std::nullopt);
    q.push(5);
    EXPECT_EQ(q.try_pop(), 5);
    EXPECT_EQ(q.try_pop(), std::nullopt);
    EXPECT_EQ(q.size(), 0u);
}

TEST(BoundedQueue, PopWaitsForThePushFromAnotherThread) {
    BoundedQueue<int> q(2);
    auto consumer = std::async(std::launch::async, [&] { return q.pop(); });
    EXPECT_EQ(consumer.wait_for(settle), std::future_status::timeout);

    std::thread producer([&] { q.push(42); });
    producer.join();
    ASSERT_EQ(consumer.wait_for(bound), std::future_status::ready);
    EXPECT_EQ(consumer.get(), 42);
}

TEST(BoundedQueue, MixedTakesKeepFirstInFirstOut) {
    BoundedQueue<int> q(8);
    std::vector<int> out;
    q.push(1);
    q.push(2);
    q.push(3);
    out.push_back(q.pop());
    out.push_back(*q.try_pop());
    q.push(4);
    out.push_back(*q.try_pop());
    out.push_back(q.pop());
    EXPECT_EQ(out, (std::vector<int>{1, 2, 3, 4}));
}

TEST(BoundedQueue, OrderHoldsAcrossThreadsWithASmallCapacity) {
    constexpr int count = 2000;
    BoundedQueue<int> q(3);
    std::thread producer([&] {
        for (int i = 0; i < count; ++i)
            q.push(i);
    });
    std::vector<int> out;
    for (int i = 0; out.size() < size_t(count); ++i) {
        if (i % 2 == 0) {
            out.push_back(q.pop());
        } else if (std::optional<int> v = q.try_pop()) {
            out.push_back(*v);
        }
    }
    producer.join();
    ASSERT_EQ(out.size(), size_t(count));
    for (int i = 0; i < count; ++i)
        ASSERT_EQ(out[i], i);
}

TEST(BoundedQueue, PushBuildsTheElementInPlaceAndTakesMoveOnlyValues) {
    BoundedQueue<std::pair<int, std::string>> pairs(2);
    pairs.push(7, "seven");
    EXPECT_EQ(pairs.pop(), std::make_pair(7, std::string("seven")));

    BoundedQueue<std::unique_ptr<int>> owned(2);
    owned.push(std::make_unique<int>(9));
    std::optional<std::unique_ptr<int>> v = owned.try_pop();
    ASSERT_TRUE(v && *v);
    EXPECT_EQ(**v, 9);
}

TEST(BoundedQueue, StaysOpenThroughItsUse) {
    BoundedQueue<int> q(1);
    EXPECT_TRUE(q.is_open());
    q.push(1);
    EXPECT_TRUE(q.is_open());
    q.pop();
    q.try_pop();
    EXPECT_TRUE(q.is_open());
}
