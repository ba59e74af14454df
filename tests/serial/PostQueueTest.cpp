#include <gtest/gtest.h>
#include <poll.h>

#include <cstdint>
#include <thread>
#include <utility>
#include <vector>

#include "serial/internal/PostQueue.h"

using namespace serial;

namespace {

CommMessage Record(unsigned msg, std::size_t count) {
    return CommMessage{msg, count, NewBlock(count + 1)};
}

using Taken = std::vector<std::pair<unsigned, std::size_t>>;

// Takes up to `count` records off the queue: the kind and count of each, in order.
Taken Take(PostQueue& queue, std::size_t count = SIZE_MAX) {
    Taken taken;
    for (CommMessage got; taken.size() < count && queue.Take(got);) {
        taken.emplace_back(got.Msg, got.Count);
    }
    return taken;
}

bool Readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

TEST(PostQueue, HandsRecordsOutInTheOrderPostedAndWakesOnlyWhileNonEmpty) {
    PostQueue queue;
    EXPECT_FALSE(Readable(queue.WakeFd()));
    ASSERT_TRUE(queue.Post(Record(1, 10)));
    ASSERT_TRUE(queue.Post(Record(2, 20)));
    EXPECT_TRUE(Readable(queue.WakeFd()));

    EXPECT_EQ(Take(queue, 1), (Taken{{1, 10}}));
    EXPECT_TRUE(Readable(queue.WakeFd()));
    EXPECT_EQ(Take(queue), (Taken{{2, 20}}));
    EXPECT_FALSE(Readable(queue.WakeFd()));
}

TEST(PostQueue, RecordsPostedWithoutWakingAreSeenAtTheNextWakeInOrder) {
    PostQueue queue;
    ASSERT_TRUE(queue.Post(Record(1, 10), false));
    ASSERT_TRUE(queue.Post(Record(2, 20), false));
    EXPECT_FALSE(Readable(queue.WakeFd()));
    queue.Wake();
    EXPECT_TRUE(Readable(queue.WakeFd()));
    ASSERT_TRUE(queue.Post(Record(3, 30), false));

    EXPECT_EQ(Take(queue), (Taken{{1, 10}, {2, 20}, {3, 30}}));
    EXPECT_FALSE(Readable(queue.WakeFd()));
    queue.Wake();  // nothing waits: stays quiet
    EXPECT_FALSE(Readable(queue.WakeFd()));
}

TEST(PostQueue, RefusesPostsBeyondCapacityAndFreesTheRefusedBlock) {
    const std::size_t blocks_before = LiveBlockCount();
    PostQueue queue;
    for (std::size_t i = 0; i < PostQueue::kCapacity; ++i) {
        ASSERT_TRUE(queue.Post(CommMessage{7, i, {}})) << i;
    }
    EXPECT_FALSE(queue.Post(Record(8, 3)));
    EXPECT_EQ(LiveBlockCount(), blocks_before);

    EXPECT_EQ(Take(queue, 1), (Taken{{7, 0}}));
    EXPECT_TRUE(queue.Post(Record(9, 3)));
}

// A full queue still takes one reserved record (a hang-up request), after everything queued, and
// wakes the receiver for it; while that record waits, another adds nothing and is refused.
TEST(PostQueue, AReservedRecordGetsThroughAFullQueueOnceAndComesLast) {
    const std::size_t blocks_before = LiveBlockCount();
    PostQueue queue;
    queue.SetCapacity(3);
    for (std::size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(queue.Post(Record(1, i), false));
    }
    EXPECT_FALSE(queue.Post(Record(1, 3)));
    EXPECT_FALSE(Readable(queue.WakeFd()));
    EXPECT_TRUE(queue.PostReserved(Record(2, 0)));
    EXPECT_TRUE(Readable(queue.WakeFd()));
    EXPECT_FALSE(queue.PostReserved(Record(2, 1)));
    EXPECT_FALSE(queue.Post(Record(1, 4)));
    EXPECT_EQ(LiveBlockCount(), blocks_before + 4);

    EXPECT_EQ(Take(queue, 1), (Taken{{1, 0}}));
    EXPECT_TRUE(queue.PostReserved(Record(2, 2)));  // the place is free again
    EXPECT_EQ(Take(queue), (Taken{{1, 1}, {1, 2}, {2, 0}, {2, 2}}));
    queue.Close();
    EXPECT_FALSE(queue.PostReserved(Record(2, 3)));
    EXPECT_EQ(LiveBlockCount(), blocks_before);
}

TEST(PostQueue, ClosingRefusesLaterPostsAndHandsBackWhatWasQueued) {
    const std::size_t blocks_before = LiveBlockCount();
    PostQueue queue;
    ASSERT_TRUE(queue.Post(Record(1, 5)));
    ASSERT_TRUE(queue.Post(Record(2, 6)));
    {
        auto left = queue.Close();
        ASSERT_EQ(left.size(), 2u);
        EXPECT_EQ(left[0].Msg, 1u);
        EXPECT_EQ(LiveBlockCount(), blocks_before + 2);
    }
    EXPECT_EQ(LiveBlockCount(), blocks_before);
    EXPECT_FALSE(Readable(queue.WakeFd()));
    EXPECT_FALSE(queue.Post(Record(3, 1)));
    EXPECT_EQ(LiveBlockCount(), blocks_before);
}

// Two posting threads and a receiver sitting in poll(), as the worker threads and the main thread
// use the queue: nothing is lost, and each sender's records keep their order.
TEST(PostQueue, KeepsEachSendersOrderUnderConcurrentPosting) {
    PostQueue queue;
    constexpr std::size_t kPerSender = 3000;
    auto sender = [&queue](unsigned id) {
        for (std::size_t i = 0; i < kPerSender; ++i) {
            CommMessage record{id, i, NewBlock(1)};
            while (!queue.Post(std::move(record))) {
                record = CommMessage{id, i, NewBlock(1)};
                std::this_thread::yield();
            }
        }
    };
    std::thread a(sender, 1), b(sender, 2);
    std::size_t next[3] = {0, 0, 0};
    std::size_t taken = 0;
    while (taken < 2 * kPerSender) {
        pollfd p{queue.WakeFd(), POLLIN, 0};
        ASSERT_GE(::poll(&p, 1, 5000), 1) << "receiver not woken";
        CommMessage got;
        while (queue.Take(got)) {
            ASSERT_EQ(got.Count, next[got.Msg]) << "sender " << got.Msg;
            ++next[got.Msg];
            ++taken;
        }
    }
    a.join();
    b.join();
    EXPECT_EQ(next[1], kPerSender);
    EXPECT_EQ(next[2], kPerSender);
}

}  // namespace
