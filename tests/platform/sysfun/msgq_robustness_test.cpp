// What other processes can do to a keyed queue short of taking it over: die at any point of
// a send, or scribble over its ring. The queue goes on serving.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

#include "platform/console/console.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/msgq_options.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysfun/sysfun_internal.h"
#include "tests/platform/sysfun/msgq_test_util.h"
#include "tests/support/test_instance.h"

namespace {

using namespace msgq_test;

constexpr uint32_t kKey = 4712;
constexpr size_t kBigPayload = 4000;  // long copies: kills land inside them

class MsgqRobustness : public QueueTest {
  protected:
    // A message sent now is the next one received.
    void expect_serving(SYSFUN_MsgQ_T q, uint32_t tag) {
        ipc::Client c;
        auto m = numbered(7, tag);
        ASSERT_EQ(c.send(kKey, m.data(), m.size()), SYSFUN_OK);
        ASSERT_EQ(receive(q, 200), SYSFUN_OK);
        EXPECT_EQ(ipcmsg::word(buf.data(), 0), 7u);
        EXPECT_EQ(ipcmsg::word(buf.data(), 1), tag);
    }
};

TEST_F(MsgqRobustness, ASenderKilledBeforeItPublishesIsSkipped) {
    SYSFUN_MsgQ_T q;
    ASSERT_EQ(msgq::create_queue(kKey, {4, 256, msgq::FullPolicy::kRefuse}, &q), SYSFUN_OK);
    for (int i = 0; i < 6; ++i) {  // more than a lap of the ring
        pid_t kid = spawn([] {
            sysfun::internal::set_msgq_test_point([] { raise(SIGKILL); });
            ipc::Client c;
            auto m = numbered(1, 1);
            c.send(kKey, m.data(), m.size());
            return 0;
        });
        EXPECT_EQ(reap(kid), 99);
        expect_serving(q, static_cast<uint32_t>(i));
        EXPECT_EQ(msgq::lost_count(q), static_cast<uint32_t>(i + 1));
    }
    EXPECT_EQ(receive(q, SYSFUN_TIMEOUT_NOWAIT), SYSFUN_RESULT_NO_MESSAGE);
    SYSFUN_DestroyMsgQ(q);
}

TEST_F(MsgqRobustness, SendersKilledAtRandomPointsNeverWedgeTheQueue) {
    // Room for everything a sender gets out between two looks, so that it spends its time
    // copying messages rather than finding the queue full.
    SYSFUN_MsgQ_T q;
    ASSERT_EQ(msgq::create_queue(
                  kKey, {512, ipcmsg::kHeaderSize + kBigPayload, msgq::FullPolicy::kRefuse}, &q),
              SYSFUN_OK);
    using Clock = std::chrono::steady_clock;
    std::mt19937 rng(2026);
    uint32_t received = 0, torn = 0;
    uint32_t last_sender = ~0u;
    // Every payload byte behind the two words is the sender's number's low byte: a message
    // published before its copy was complete shows another sender's bytes.
    auto take = [&] {
        ++received;
        last_sender = ipcmsg::word(buf.data(), 0);
        const uint8_t* p = ipcmsg::payload(buf.data());
        for (size_t i = 8; i < kBigPayload; ++i)
            if (p[i] != static_cast<uint8_t>(last_sender)) {
                ++torn;
                break;
            }
    };
    // A thousand kills, or as many as fit in a few seconds where forking is slow (under the
    // sanitizers), but never fewer than fifty.
    const auto budget_end = Clock::now() + std::chrono::seconds(8);
    uint32_t round = 0;
    for (; round < 1000 && (round < 50 || Clock::now() < budget_end); ++round) {
        pid_t kid = spawn([round] {
            // Sends until killed; ends by itself when the queue is gone or after a while,
            // should the test end without killing it.
            ipc::Client c;
            auto m = numbered(round, 0, kBigPayload);
            std::fill(m.begin() + ipcmsg::kHeaderSize + 8, m.end(), static_cast<uint8_t>(round));
            const auto end = Clock::now() + std::chrono::seconds(10);
            for (uint32_t i = 0; Clock::now() < end; ++i) {
                ipcmsg::set_word(m.data(), 1, i);
                if (c.send(kKey, m.data(), m.size()) == SYSFUN_RESULT_PEER_GONE) break;
            }
            return 0;
        });
        // Once the sender's first message is in, let it run a random while, then kill it
        // wherever it is.
        while (last_sender != round) {
            ASSERT_EQ(receive(q, 200), SYSFUN_OK) << "the sender never got a message through";
            take();
        }
        ::usleep(rng() % 200);
        kill_and_reap(kid);
        while (receive(q, SYSFUN_TIMEOUT_NOWAIT) == SYSFUN_OK)
            take();
    }
    EXPECT_EQ(torn, 0u);
    EXPECT_EQ(msgq::reset_count(q), 0u);
    RecordProperty("senders_killed", static_cast<int>(round));
    RecordProperty("lost_to_killed_senders", static_cast<int>(msgq::lost_count(q)));
    std::printf("%u senders killed, %u messages received, %u lost inside a copy\n", round, received,
                msgq::lost_count(q));
    for (uint32_t i = 0; i < 20; ++i)
        expect_serving(q, 100 + i);
    SYSFUN_DestroyMsgQ(q);
}

TEST_F(MsgqRobustness, AnInconsistentRingIsResetWithAConsoleLine) {
    struct Case {
        const char* what;
        void (*scribble)(msgq::RingHeader* h);
    };
    const Case cases[] = {
        {"capacity", [](msgq::RingHeader* h) { h->capacity = 1u << 30; }},
        {"magic", [](msgq::RingHeader* h) { h->magic = 0; }},
        {"tail far ahead", [](msgq::RingHeader* h) { h->tail.fetch_add(1000); }},
        {"tail behind", [](msgq::RingHeader* h) { h->tail.store(0); }},
        {"head", [](msgq::RingHeader* h) { h->head.fetch_add(1); }},
        {"owner", [](msgq::RingHeader* h) { h->owner_tid.store(1); }},
        {"slot word",
         [](msgq::RingHeader* h) {
             // The first slot lies right behind the header.
             auto* slot = reinterpret_cast<msgq::SlotHeader*>(
                 reinterpret_cast<uint8_t*>(h) + (sizeof(msgq::RingHeader) + 63) / 64 * 64);
             slot->word.store(0xDEADBEEF00000000ull);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SYSFUN_MsgQ_T q;
        ASSERT_EQ(msgq::create_queue(kKey, {8, 256, msgq::FullPolicy::kRefuse}, &q), SYSFUN_OK);
        ipc::Client client;
        for (uint32_t i = 0; i < 2; ++i) {
            auto m = numbered(1, i);
            ASSERT_EQ(client.send(kKey, m.data(), m.size()), SYSFUN_OK);
        }
        msgq::RingHeader* h = msgq::ring_of(q);
        // A client with a bug writes over the ring.
        ASSERT_EQ(reap(spawn([&] {
                      c.scribble(h);
                      return 0;
                  })),
                  0);
        console::Capture cap;
        // What was in the ring is lost; the queue is empty and usable again.
        uint32_t rc = receive(q, SYSFUN_TIMEOUT_NOWAIT);
        EXPECT_EQ(rc, SYSFUN_RESULT_NO_MESSAGE);
        EXPECT_TRUE(
            cap.contains("SYSFUN: message queue 4712 was inconsistent and has been reset\r\n"));
        EXPECT_EQ(msgq::reset_count(q), 1u);
        expect_serving(q, 5);
        expect_serving(q, 6);
        SYSFUN_DestroyMsgQ(q);
    }
}

}  // namespace
