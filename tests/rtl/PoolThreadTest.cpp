#include "PoolThread.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

// Many short jobs handed over at once from several threads (the way request give-ups and
// agent connections come) all run and the process lives: a detached std::thread start
// under Wine died here within a few thousand.
TEST(PoolThread, ManyJobsFromSeveralThreadsAllRun) {
    std::atomic<int> running{0}, ran{0};
    std::atomic<bool> refused{false};
    std::vector<std::thread> senders;
    for (int t = 0; t < 4; ++t)
        senders.emplace_back([&, t] {
            for (int i = 0; i < 5000; ++i) {
                ++running;
                std::string text(20 + (i * 7 + t) % 300, 'x');
                if (!RunOnPoolThread([&, text] {
                        std::vector<std::string> copies(3, text);
                        --running;
                        ++ran;
                    })) {
                    refused = true;
                    --running;
                }
                while (running > 32) Sleep(0);
            }
        });
    for (std::thread& t : senders) t.join();
    for (int i = 0; i < 10000 && running > 0; ++i) Sleep(1);
    EXPECT_FALSE(refused);
    EXPECT_EQ(20000, ran.load());
}
