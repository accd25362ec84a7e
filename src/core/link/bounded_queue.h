#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

// Fixed-capacity blocking FIFO: push waits while full, pop waits while empty,
// try_pop never waits for an element.
template <typename T> class BoundedQueue {
  public:
    explicit BoundedQueue(size_t capacity) : capacity_(capacity) {}
    BoundedQueue(const BoundedQueue&) = delete;
    BoundedQueue& operator=(const BoundedQueue&) = delete;

    template <typename... Args> void push(Args&&... args) {
        std::unique_lock<std::mutex> lock(mutex);
        not_full.wait(lock, [this] { return queue.size() != capacity_; });
        queue.emplace_back(std::forward<Args>(args)...);
        not_empty.notify_one();
    }

    std::optional<T> try_pop() {
        std::unique_lock<std::mutex> lock(mutex);
        if (queue.empty())
            return std::nullopt;
        std::optional<T> value(std::move(queue.front()));
        queue.pop_front();
        not_full.notify_all();
        return value;
    }

    T pop() {
        std::unique_lock<std::mutex> lock(mutex);
        not_empty.wait(lock, [this] { return !queue.empty(); });
        T value(std::move(queue.front()));
        queue.pop_front();
        not_full.notify_all();
        return value;
    }

    bool is_open() const { return open.load(); }

    // Lets a consumer loop that tests is_open() end; pop is not affected, so
    // the consumer is woken by pushing one more element after this.
    void close() { open.store(false); }

    size_t size() const {
        std::lock_guard<std::mutex> lock(mutex);
        return queue.size();
    }
    // Whether a push would wait now. With one producer, a producer that sees
    // room can push once without waiting: only it adds elements.
    bool full() const {
        std::lock_guard<std::mutex> lock(mutex);
        return queue.size() == capacity_;
    }
    bool empty() const { return size() == 0; }
    size_t capacity() const { return capacity_; }

  private:
    mutable std::mutex mutex;
    std::deque<T> queue;
    std::condition_variable not_full;
    std::condition_variable not_empty;
    size_t capacity_;
    std::atomic<bool> open{true};
};
