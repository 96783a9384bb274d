// Keyed queues as senders and requesters in several processes see them: nothing lost, each
// sender's order kept, a full queue refusing or blocking as it was made to, and answers
// reaching only a requester that still waits for them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/msgq_options.h"
#include "platform/sysfun/sysfun.h"
#include "tests/platform/sysfun/msgq_test_util.h"
#include "tests/support/test_instance.h"

namespace {

using namespace msgq_test;

constexpr uint32_t kKey = 4711;

using MsgqSenders = QueueTest;

TEST_F(MsgqSenders, ManySendersInSeveralProcessesLoseNothingAndKeepTheirOrder) {
    // A small ring, so that the senders keep running into a full queue and wait for room.
    SYSFUN_MsgQ_T q;
    ASSERT_EQ(msgq::create_queue(kKey, {8, 256, msgq::FullPolicy::kBlock}, &q), SYSFUN_OK);
    constexpr uint32_t kSenders = 4, kEach = 3000;
    std::vector<pid_t> kids;
    for (uint32_t s = 0; s < kSenders; ++s) {
        kids.push_back(spawn([s] {
            ipc::Client c;
            for (uint32_t i = 0; i < kEach; ++i) {
                auto m = numbered(s, i, 8 + s * 40);
                if (c.send(kKey, m.data(), m.size()) != SYSFUN_OK) return 1;
            }
            return 0;
        }));
    }
    std::vector<uint32_t> next(kSenders, 0);
    uint32_t got = 0, torn = 0, out_of_order = 0;
    while (got < kSenders * kEach) {
        uint32_t rc = receive(q, 500);
        ASSERT_EQ(rc, SYSFUN_OK) << "after " << got << " messages";
        uint32_t s = ipcmsg::word(buf.data(), 0);
        ASSERT_LT(s, kSenders);
        if (ipcmsg::word(buf.data(), 1) != next[s]) ++out_of_order;
        if (!intact(buf.data(), 8 + s * 40)) ++torn;
        next[s] = ipcmsg::word(buf.data(), 1) + 1;
        ++got;
    }
    for (pid_t k : kids)
        EXPECT_EQ(reap(k), 0);
    EXPECT_EQ(out_of_order, 0u);
    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(receive(q, SYSFUN_TIMEOUT_NOWAIT), SYSFUN_RESULT_NO_MESSAGE);
    EXPECT_EQ(msgq::reset_count(q), 0u);
    SYSFUN_DestroyMsgQ(q);
}

TEST_F(MsgqSenders, AFullQueueRefusesOrBlocksAsItWasCreatedTo) {
    struct Case {
        msgq::FullPolicy policy;
        uint32_t client_result;  // of a client's send to the full queue, once it returns
    };
    for (Case c : {Case{msgq::FullPolicy::kRefuse, SYSFUN_RESULT_NO_SPACE},
                   Case{msgq::FullPolicy::kBlock, SYSFUN_OK}}) {
        SCOPED_TRACE(static_cast<int>(c.policy));
        SYSFUN_MsgQ_T q;
        ASSERT_EQ(msgq::create_queue(kKey, {4, 64, c.policy}, &q), SYSFUN_OK);
        ipc::Client client;
        for (uint32_t i = 0; i < 4; ++i) {
            auto m = numbered(0, i);
            ASSERT_EQ(client.send(kKey, m.data(), m.size()), SYSFUN_OK);
        }
        auto extra = numbered(0, 4);
        // The owner's own sends never wait.
        EXPECT_EQ(SYSFUN_SendMsg(q, extra.data(), static_cast<uint32_t>(extra.size())),
                  SYSFUN_RESULT_NO_SPACE);
        std::atomic<bool> returned{false};
        std::atomic<uint32_t> rc{~0u};
        std::thread sender([&] {
            ipc::Client other;
            rc = other.send(kKey, extra.data(), extra.size());
            returned = true;
        });
        if (c.policy == msgq::FullPolicy::kBlock) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_FALSE(returned.load()) << "a blocking queue let a sender past while full";
        } else {
            sender.join();  // refused at once, without any room made
        }
        ASSERT_EQ(receive(q, 100), SYSFUN_OK);
        if (sender.joinable()) sender.join();
        EXPECT_EQ(rc.load(), c.client_result);
        // What was queued comes out in order; the refused message is not among it.
        uint32_t expect = 1, count = 1;
        while (receive(q, SYSFUN_TIMEOUT_NOWAIT) == SYSFUN_OK) {
            EXPECT_EQ(ipcmsg::word(buf.data(), 1), expect++);
            ++count;
        }
        EXPECT_EQ(count, c.client_result == SYSFUN_OK ? 5u : 4u);
        SYSFUN_DestroyMsgQ(q);
    }
}

TEST_F(MsgqSenders, AnAnswerReachesOnlyARequesterThatStillWaitsForIt) {
    SYSFUN_MsgQ_T q;
    ASSERT_EQ(SYSFUN_CreateMsgQ(kKey, 1, &q), SYSFUN_OK);
    auto answer_with = [&](uint32_t v) {
        ipcmsg::set_word(buf.data(), 2, v);
        ipcmsg::set_msg_size(buf.data(), 12);
        return SYSFUN_SendResponseMsg(q, buf.data());
    };
    ipc::Client client;
    std::vector<uint8_t> resp(sys_adpt::kMaxMsgSize);
    size_t len = 0;
    // A requester that gave up: its late answer is dropped and not taken for the next one.
    auto first = numbered(1, 1);
    EXPECT_EQ(client.request(kKey, first.data(), first.size(), resp.data(), resp.size(), &len, 30),
              SYSFUN_RESULT_TIMEOUT);
    ASSERT_EQ(receive(q, 0), SYSFUN_OK);
    EXPECT_EQ(answer_with(111), SYSFUN_RESULT_PEER_GONE);
    std::thread server([&] {
        ASSERT_EQ(receive(q, 500), SYSFUN_OK);
        EXPECT_EQ(answer_with(222), SYSFUN_OK);
    });
    auto second = numbered(1, 2);
    ASSERT_EQ(
        client.request(kKey, second.data(), second.size(), resp.data(), resp.size(), &len, 5000),
        SYSFUN_OK);
    server.join();
    EXPECT_EQ(ipcmsg::word(resp.data(), 2), 222u);
    EXPECT_EQ(ipcmsg::word(resp.data(), 1), 2u);
    EXPECT_EQ(len, ipcmsg::kHeaderSize + 12);

    // Requesters killed while they wait, more of them than there are reply boxes: each
    // answer is dropped, and the boxes they held are taken over by later requesters.
    for (int i = 0; i < ctl::kReplyBoxes + 8; ++i) {
        pid_t kid = spawn([] {
            ipc::Client c;
            auto m = numbered(2, 0);
            std::vector<uint8_t> r(sys_adpt::kMaxMsgSize);
            size_t n = 0;
            c.request(kKey, m.data(), m.size(), r.data(), r.size(), &n, 60000);
            return 1;
        });
        ASSERT_EQ(receive(q, 1000), SYSFUN_OK) << "requester " << i;
        kill_and_reap(kid);
        ASSERT_EQ(answer_with(333), SYSFUN_RESULT_PEER_GONE) << "requester " << i;
    }
    pid_t kid = spawn([] {
        ipc::Client c;
        auto m = numbered(3, 0);
        std::vector<uint8_t> r(sys_adpt::kMaxMsgSize);
        size_t n = 0;
        if (c.request(kKey, m.data(), m.size(), r.data(), r.size(), &n, 5000) != SYSFUN_OK)
            return 1;
        return ipcmsg::word(r.data(), 2) == 444 ? 0 : 2;
    });
    ASSERT_EQ(receive(q, 1000), SYSFUN_OK);
    EXPECT_EQ(answer_with(444), SYSFUN_OK);
    EXPECT_EQ(reap(kid), 0);
    SYSFUN_DestroyMsgQ(q);
}

TEST_F(MsgqSenders, AQueueIsReachedOnlyFromItsOwnInstance) {
    SYSFUN_MsgQ_T q;
    ASSERT_EQ(SYSFUN_CreateMsgQ(kKey, 1, &q), SYSFUN_OK);
    const int mine = inst.id();
    // A process of another instance with a queue of the same key.
    EXPECT_EQ(reap(spawn([mine] {
                  ctl::detach(false);
                  instance::set_id(mine + 1);
                  instance::remove_shm_objects();
                  if (!ctl::create()) return 1;
                  SYSFUN_MsgQ_T other;
                  int rc = SYSFUN_CreateMsgQ(kKey, 1, &other) == SYSFUN_OK ? 0 : 2;
                  ipc::Client c;
                  auto m = numbered(9, 9);
                  if (rc == 0 && c.send(kKey, m.data(), m.size()) != SYSFUN_OK) rc = 3;
                  ctl::detach(true);
                  instance::remove_shm_objects();
                  return rc;
              })),
              0);
    EXPECT_EQ(receive(q, SYSFUN_TIMEOUT_NOWAIT), SYSFUN_RESULT_NO_MESSAGE);
    // A second owner for a key taken in this instance is refused.
    SYSFUN_MsgQ_T dup;
    EXPECT_EQ(SYSFUN_CreateMsgQ(kKey, 1, &dup), SYSFUN_RESULT_OBJ_EXIST);
    SYSFUN_DestroyMsgQ(q);
}

}  // namespace
