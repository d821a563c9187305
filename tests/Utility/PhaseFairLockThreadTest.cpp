#include "Utility/PhaseFairLock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// The order in which threads got the lock.
class Order {
public:
    void Add(const std::string& s) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_order += s;
    }
    std::string Get() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_order;
    }

private:
    std::mutex m_mutex;
    std::string m_order;
};

template <typename Pred>
void WaitFor(Pred pred) {
    while (!pred()) std::this_thread::yield();
}

}  // namespace

// Readers that arrive while a writer holds the lock and two more writers wait for it enter when
// that writer lets go, before the writers queued ahead of them, and both readers at once.
TEST(PhaseFairLockThreadTest, ReadersWaitForOneWriterOnly) {
    CPhaseFairLock lock;
    Order order;
    lock.Lock();
    std::vector<std::thread> threads;
    for (const char* name : {"W", "V"}) {
        threads.emplace_back([&, name] {
            lock.Lock();
            order.Add(name);
            lock.Unlock();
        });
        const int nQueued = int(threads.size());
        WaitFor([&] { return lock.QueuedWriters() == nQueued; });
    }
    for (const char* name : {"r", "s"}) {
        threads.emplace_back([&, name] {
            lock.LockShared();
            order.Add(name);
            // Both readers are inside before either leaves, so the writers wait for the two (a
            // lock that let only one in gives up the wait after a while and fails the order).
            const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            WaitFor([&] { return order.Get().size() >= 2 || std::chrono::steady_clock::now() > end; });
            lock.UnlockShared();
        });
        const int nWaiting = int(threads.size()) - 2;
        WaitFor([&] { return lock.WaitingReaders() == nWaiting; });
    }
    lock.Unlock();
    for (auto& t : threads) t.join();
    const std::string got = order.Get();
    EXPECT_TRUE(got == "rsWV" || got == "srWV") << got;
}

// A writer that waits for the readers inside is not passed by readers that arrive after it: they
// enter once that writer lets go, ahead of a writer that asked after them.
TEST(PhaseFairLockThreadTest, WritersAreNotPassedByLaterReaders) {
    CPhaseFairLock lock;
    Order order;
    lock.LockShared();
    std::vector<std::thread> threads;
    threads.emplace_back([&] {
        lock.Lock();
        order.Add("W");
        lock.Unlock();
    });
    WaitFor([&] { return lock.QueuedWriters() == 1; });
    threads.emplace_back([&] {
        lock.LockShared();
        order.Add("r");
        lock.UnlockShared();
    });
    WaitFor([&] { return lock.WaitingReaders() == 1; });
    threads.emplace_back([&] {
        lock.Lock();
        order.Add("V");
        lock.Unlock();
    });
    WaitFor([&] { return lock.QueuedWriters() == 2; });
    lock.UnlockShared();
    for (auto& t : threads) t.join();
    EXPECT_EQ("WrV", order.Get());
    // Free again: a reader and a writer each get it at once.
    lock.LockShared();
    lock.UnlockShared();
    lock.Lock();
    lock.Unlock();
}
