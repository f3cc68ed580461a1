#include "ComMsg.h"
#include "HandlerMsg.h"
#include "MsgKinds.h"
#include "MsgQueue.h"
#include "ThreadQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// A message that counts its constructions and destructions, to prove each is deleted exactly once.
struct CCountedMsg : CHandlerMsg {
    static inline std::atomic<int> alive{0};
    static inline std::atomic<int> deleted{0};
    CCountedMsg(std::uint16_t kind, std::uint16_t code) : CHandlerMsg(kind, code) { ++alive; }
    ~CCountedMsg() override {
        --alive;
        ++deleted;
    }
};

class QueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        CCountedMsg::alive = 0;
        CCountedMsg::deleted = 0;
    }
};

} // namespace

TEST_F(QueueTest, PopOnEmptyQueuesReturnsNothingAtOnce) {
    CThreadQueue tq;
    CMsgQueue mq;
    EXPECT_EQ(tq.Pop(), nullptr);
    EXPECT_EQ(mq.RemoveHead(), nullptr);
    tq.Push(nullptr); // a null message is ignored rather than queued
    EXPECT_EQ(tq.Count(), 0u);
}

TEST_F(QueueTest, SingleThreadKeepsFifoOrderAndOwnership) {
    CMsgQueue q;
    for (std::uint16_t i = 0; i < 25; ++i) {
        q.AddTail(std::make_unique<CCountedMsg>(MsgKind::TEL_STATUS, i));
    }
    for (std::uint16_t i = 0; i < 25; ++i) {
        MsgPtr m = q.RemoveHead();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(static_cast<CHandlerMsg*>(m.get())->Code, i);
    }
    EXPECT_TRUE(q.IsEmpty());
    EXPECT_EQ(CCountedMsg::alive, 0);
}

TEST_F(QueueTest, TwoProducersKeepEachOwnOrderAndLoseNothing) {
    CThreadQueue q;
    constexpr int perThread = 20000;
    auto produce = [&q](std::uint16_t kind) {
        for (int i = 0; i < perThread; ++i) {
            q.Push(std::make_unique<CCountedMsg>(kind, static_cast<std::uint16_t>(i % 60000)));
        }
    };
    std::thread a(produce, MsgKind::TEL_STATUS);
    std::thread b(produce, MsgKind::GSM_STATUS);

    int next[2] = {0, 0};
    int received = 0;
    while (received < 2 * perThread) {
        MsgPtr m = q.Pop();
        if (!m) {
            std::this_thread::yield();
            continue;
        }
        auto* hm = static_cast<CHandlerMsg*>(m.get());
        const int producer = hm->Kind == MsgKind::TEL_STATUS ? 0 : 1;
        ASSERT_EQ(hm->Code, next[producer] % 60000) << "producer " << producer;
        ++next[producer];
        ++received;
    }
    a.join();
    b.join();
    EXPECT_EQ(q.Pop(), nullptr);
    EXPECT_EQ(CCountedMsg::alive, 0);
}

TEST_F(QueueTest, DestroyingQueuesDeletesEveryMessageOnce) {
    {
        CThreadQueue tq;
        CMsgQueue mq;
        for (int i = 0; i < 13; ++i) {
            tq.Push(std::make_unique<CCountedMsg>(MsgKind::TEL_STATUS, 0));
            mq.AddTail(std::make_unique<CCountedMsg>(MsgKind::TEL_STATUS, 0));
        }
        EXPECT_EQ(CCountedMsg::alive, 26);
    }
    EXPECT_EQ(CCountedMsg::alive, 0);
    EXPECT_EQ(CCountedMsg::deleted, 26);
}

TEST_F(QueueTest, DeletingTheHeadOfAChainDeletesTheWholeChain) {
    auto head = std::make_unique<CCountedMsg>(MsgKind::UI_ALARM_RECORD, 1);
    CMsg* tail = head.get();
    for (int i = 0; i < 4; ++i) {
        tail->Next = std::make_unique<CCountedMsg>(MsgKind::UI_ALARM_RECORD, 2);
        tail = tail->Next.get();
    }
    EXPECT_EQ(CCountedMsg::alive, 5);
    head.reset();
    EXPECT_EQ(CCountedMsg::alive, 0);
    EXPECT_EQ(CCountedMsg::deleted, 5);
}

TEST_F(QueueTest, AConsumerCanTakeTheLinksOfAChainOneByOne) {
    auto head = std::make_unique<CCountedMsg>(MsgKind::UI_OBJECT_REPLY, 1);
    head->Next = std::make_unique<CCountedMsg>(MsgKind::UI_OBJECT_REPLY, 2);
    MsgPtr rest = head->TakeNext();
    head.reset(); // deletes only that record
    EXPECT_EQ(CCountedMsg::alive, 1);
    EXPECT_EQ(static_cast<CHandlerMsg*>(rest.get())->Code, 2);
}

TEST_F(QueueTest, AVeryLongChainIsReleasedWithoutExhaustingTheStack) {
    auto head = std::make_unique<CMsg>(MsgKind::UI_ALARM_RECORD);
    CMsg* tail = head.get();
    for (int i = 0; i < 500000; ++i) {
        tail->Next = std::make_unique<CMsg>(MsgKind::UI_ALARM_RECORD);
        tail = tail->Next.get();
    }
    head.reset();
    SUCCEED();
}

TEST_F(QueueTest, MsgCastKeepsAMessageOfAnotherClass) {
    MsgPtr m = std::make_unique<CHandlerMsg>(MsgKind::TEL_STATUS, 3);
    auto asCom = MsgCast<CComMsg>(m);
    EXPECT_EQ(asCom, nullptr);
    ASSERT_NE(m, nullptr);
    auto asHandler = MsgCast<CHandlerMsg>(m);
    ASSERT_NE(asHandler, nullptr);
    EXPECT_EQ(m, nullptr);
    EXPECT_EQ(asHandler->Code, 3);
}

TEST_F(QueueTest, FreshMessagesStartCleared) {
    CComMsg com(MsgKind::COM_REPLY);
    EXPECT_EQ(com.Data[0], 0);
    EXPECT_EQ(com.Data[1], 0);
    EXPECT_EQ(com.Length, 0);
    EXPECT_EQ(com.LinkValue, 0);
    EXPECT_EQ(com.Param[3], 0u);
    CHandlerMsg hm;
    EXPECT_EQ(hm.Kind, 0);
    EXPECT_EQ(hm.Code, 0);
    EXPECT_TRUE(hm.Text.empty());
    EXPECT_EQ(hm.Next, nullptr);
}
