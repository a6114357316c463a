#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/StatusLog.h"

namespace orv {
namespace {

TEST(StatusLogTest, ElevenMessagesBetweenTwoFlushesKeepTheFirstTen) {
    StatusLog log;
    for (int i = 1; i <= 10; ++i) EXPECT_TRUE(log.AddLog("m" + std::to_string(i)));
    EXPECT_FALSE(log.AddLog("m11"));

    const auto flushed = log.FlushLog();
    ASSERT_EQ(flushed.size(), 10u);
    EXPECT_EQ(flushed.front(), "m1");
    EXPECT_EQ(flushed.back(), "m10");
    EXPECT_EQ(log.lines(), flushed);

    // The flush empties the queue: ten more fit.
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(log.AddLog("again"));
    EXPECT_EQ(log.FlushLog().size(), 10u);
}

TEST(StatusLogTest, BufferKeepsTheLastHundredLines) {
    StatusLog log;
    int n = 0;
    while (n < 150) {
        for (int i = 0; i < 7 && n < 150; ++i) log.AddLog(std::to_string(++n));
        log.FlushLog();
    }
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 100u);
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], std::to_string(51 + i));
}

TEST(StatusLogTest, CommunicationEventsOnlyWhileSwitchedOn) {
    StatusLog log;
    EXPECT_FALSE(log.commLogging());
    log.LogCommEvent("event while off");
    log.AddLog("protocol error");
    EXPECT_EQ(log.FlushLog(), (std::vector<std::string>{"protocol error"}));

    log.setCommLogging(true);
    log.LogCommEvent("event while on");
    log.setCommLogging(false);
    log.LogCommEvent("off again");
    EXPECT_EQ(log.FlushLog(), (std::vector<std::string>{"event while on"}));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"protocol error", "event while on"}));
}

// Producers on four threads and a flushing thread: no text arrives twice or out
// of its producer's order, no flush hands over more than ten, and everything
// that was accepted arrives.
TEST(StatusLogTest, ConcurrentProducersAndFlusher) {
    StatusLog log;
    log.setCommLogging(true);
    constexpr int Producers = 4;
    constexpr int PerProducer = 2000;
    std::atomic<int> accepted{0};
    std::atomic<int> running{Producers};

    std::vector<std::string> received;
    bool batchTooLarge = false;
    std::thread flusher([&] {
        for (;;) {
            const bool last = running.load() == 0;
            auto batch = log.FlushLog();
            if (batch.size() > StatusLog::MaxPending) batchTooLarge = true;
            received.insert(received.end(), batch.begin(), batch.end());
            if (last) break;
            std::this_thread::yield();
        }
    });

    std::vector<std::thread> producers;
    for (int p = 0; p < Producers; ++p) {
        producers.emplace_back([&, p] {
            for (int i = 0; i < PerProducer; ++i) {
                const std::string text = std::to_string(p) + ":" + std::to_string(i);
                if (p % 2 == 0) {
                    if (log.AddLog(text)) ++accepted;
                } else {
                    // LogCommEvent gives no answer: count it as the buffer tells later.
                    log.LogCommEvent(text);
                }
            }
            --running;
        });
    }
    for (auto& t : producers) t.join();
    flusher.join();

    EXPECT_FALSE(batchTooLarge);
    EXPECT_GE(received.size(), StatusLog::MaxPending);
    std::map<int, int> lastIndex;
    int fromAddLog = 0;
    for (const auto& text : received) {
        const auto colon = text.find(':');
        ASSERT_NE(colon, std::string::npos);
        const int p = std::stoi(text.substr(0, colon));
        const int i = std::stoi(text.substr(colon + 1));
        auto [it, fresh] = lastIndex.try_emplace(p, i);
        if (!fresh) {
            EXPECT_LT(it->second, i) << text;
            it->second = i;
        }
        if (p % 2 == 0) ++fromAddLog;
    }
    EXPECT_EQ(fromAddLog, accepted.load());
    EXPECT_LE(log.lines().size(), StatusLog::MaxLines);
}

}  // namespace
}  // namespace orv
