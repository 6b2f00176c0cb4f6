#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <pthread.h>
#include <string>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/tick.h"
#include "platform/worker_thread.h"
#include "platform/debug_trace.h"

using namespace kx58;

TEST(Event, ManualStaysSetAutoIsTakenByOneWaiter) {
    Event manual(Event::ResetMode::Manual);
    EXPECT_FALSE(manual.Wait(0));
    manual.Set();
    EXPECT_TRUE(manual.Wait(0));
    EXPECT_TRUE(manual.Wait(0));
    manual.Reset();
    EXPECT_FALSE(manual.Wait(0));

    Event autoEvent(Event::ResetMode::Auto);
    autoEvent.Set();
    EXPECT_TRUE(autoEvent.Wait(0));
    EXPECT_FALSE(autoEvent.Wait(0));

    // Two threads wait on one auto event; one Set releases exactly one of them.
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 2; ++i)
        waiters.emplace_back([&] {
            if (autoEvent.Wait(kInfinite)) ++woken;
        });
    autoEvent.Set();
    while (woken.load() == 0) std::this_thread::yield();
    EXPECT_FALSE(autoEvent.IsSet());
    autoEvent.Set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 2);
}

TEST(Event, WaitAnyGivesLowestSignalledIndexOrTimeout) {
    Event a, b(Event::ResetMode::Auto), c;
    EXPECT_EQ(WaitAny({&a, &b, &c}, 0), kWaitTimeout);
    const auto before = TickCount64();
    EXPECT_EQ(WaitAny({&a, &b, &c}, 30), kWaitTimeout);
    EXPECT_GE(TickCount64() - before, 29u);

    c.Set();
    b.Set();
    EXPECT_EQ(WaitAny({&a, &b, &c}, 0), 1);  // b taken (auto) ...
    EXPECT_EQ(WaitAny({&a, &b, &c}, 0), 2);  // ... so c comes next and stays set
    EXPECT_EQ(WaitAny({&a, &b, &c}, 0), 2);

    // A signal from another thread wakes a blocked WaitAny.
    Event late;
    std::thread setter([&] { late.Set(); });
    EXPECT_EQ(WaitAny({&a, &late}, kInfinite), 1);
    setter.join();
}

// A thread asleep on a descriptor wakes for the event set from another thread, for the
// descriptor, or at its timeout; an auto-reset event is taken by the wait.
TEST(Event, WaitEventOrFdsWakesForTheEventOrTheDescriptor) {
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    Event exit(Event::ResetMode::Auto);
    pollfd watched{pipeFds[0], POLLIN, 0};
    EXPECT_EQ(WaitEventOrFds(exit, std::span(&watched, 1), 10), kWaitTimeout);

    std::thread setter([&] { exit.Set(); });
    EXPECT_EQ(WaitEventOrFds(exit, std::span(&watched, 1), kInfinite), kWaitEventSet);
    setter.join();
    EXPECT_FALSE(exit.IsSet());

    ASSERT_EQ(write(pipeFds[1], "x", 1), 1);
    EXPECT_EQ(WaitEventOrFds(exit, std::span(&watched, 1), kInfinite), kWaitFdReady);
    EXPECT_TRUE(watched.revents & POLLIN);
    exit.Set();  // both: the event wins, so an exit is never missed behind busy descriptors
    EXPECT_EQ(WaitEventOrFds(exit, std::span(&watched, 1), kInfinite), kWaitEventSet);
    close(pipeFds[0]);
    close(pipeFds[1]);
}

TEST(WorkerThread, StopsCooperativelyAndReportsOneThatIgnoresItsEvent) {
    std::vector<std::string> traces;
    std::mutex tracesMutex;
    SetTraceSink([&](std::string_view text) {
        std::lock_guard lock(tracesMutex);
        traces.emplace_back(text);
    });

    WorkerThread polite;
    std::atomic<int> loops{0};
    ASSERT_TRUE(polite.Start("polite", [&](Event& exit) {
        while (!exit.Wait(1)) ++loops;
    }));
    EXPECT_TRUE(polite.Running());
    EXPECT_TRUE(polite.Stop(5000));
    EXPECT_FALSE(polite.Running());

    // This body ignores its exit event until released; Stop gives up after the bound.
    Event release;
    std::atomic<bool> ended{false};
    {
        WorkerThread stubborn;
        ASSERT_TRUE(stubborn.Start("stubborn", [&](Event&) {
            release.Wait(kInfinite);
            ended = true;
        }));
        EXPECT_FALSE(stubborn.Stop(20));
        EXPECT_TRUE(stubborn.Running());
    }  // destroyed while the body still runs: must neither hang nor crash
    release.Set();
    while (!ended.load()) std::this_thread::yield();
    SetTraceSink({});

    std::lock_guard lock(tracesMutex);
    bool reported = false;
    for (const auto& t : traces) reported |= t.find("stubborn") != std::string::npos && t.find("did not end") != std::string::npos;
    EXPECT_TRUE(reported);
}

TEST(WorkerThread, TheSystemShowsTheThreadsName) {
    WorkerThread worker;
    std::string seen;
    Event named(Event::ResetMode::Manual);
    ASSERT_TRUE(worker.Start("light thread of a long product name", [&](Event&) {
        char name[16] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        seen = name;
        named.Set();
    }));
    ASSERT_TRUE(named.Wait(10000));
    EXPECT_TRUE(worker.Stop(10000));
    EXPECT_EQ(seen, "light thread of");
}
