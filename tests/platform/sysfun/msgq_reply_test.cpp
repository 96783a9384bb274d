// Reply boxes handed from one answer to the next: a requester in another process, served by
// several threads of this one, gets each answer whole and only its own, also when a server
// is still copying an answer in as the requester's time runs out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/reply_box.h"
#include "platform/sysfun/sysfun.h"
#include "tests/platform/sysfun/msgq_test_util.h"

namespace {

using namespace msgq_test;

constexpr uint32_t kKeyA = 4721;
constexpr uint32_t kKeyB = 4722;
constexpr size_t kPayload = 1000;  // an answer long enough that two copies would overlap

using MsgqReply = QueueTest;

// A child's request: true when it was answered with the word `expect` in every position.
bool ask(ipc::Client& c, uint32_t key, uint32_t seq, uint32_t expect, int timeout_ms,
         uint32_t* rc_out = nullptr) {
    auto m = numbered(1, seq, kPayload);
    std::vector<uint8_t> r(sys_adpt::kMaxMsgSize);
    size_t n = 0;
    uint32_t rc = c.request(key, m.data(), m.size(), r.data(), r.size(), &n, timeout_ms);
    if (rc_out) *rc_out = rc;
    if (rc != SYSFUN_OK || n != ipcmsg::kHeaderSize + kPayload) return false;
    for (uint32_t w = 0; w < kPayload / 4; ++w)
        if (ipcmsg::word(r.data(), w) != expect) return false;
    return true;
}

// Owns a keyed queue on a thread of its own and answers the requests it receives, each
// with its sequence word times ten in every payload word.
class Server {
  public:
    explicit Server(uint32_t key, bool serving = true) : serving_(serving) {
        thread_ = std::thread([this, key] {
            SYSFUN_MsgQ_T q;
            if (SYSFUN_CreateMsgQ(key, 1, &q) != SYSFUN_OK) return;
            std::vector<uint8_t> b(sys_adpt::kMaxMsgSize);
            ready_ = true;
            while (!stop_) {
                if (!serving_) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    continue;
                }
                if (SYSFUN_ReceiveMsg(q, 0, 2, sys_adpt::kMaxPayload, b.data()) != SYSFUN_OK)
                    continue;
                const uint32_t v = ipcmsg::word(b.data(), 1) * 10;
                for (uint32_t w = 0; w < kPayload / 4; ++w)
                    ipcmsg::set_word(b.data(), w, v);
                ipcmsg::set_msg_size(b.data(), kPayload);
                const uint32_t rc = SYSFUN_SendResponseMsg(q, b.data());
                std::lock_guard<std::mutex> lock(mutex_);
                results_.push_back(rc);
            }
            SYSFUN_DestroyMsgQ(q);
        });
        while (!ready_)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~Server() {
        stop_ = true;
        thread_.join();
    }
    void serve(bool on) { serving_ = on; }
    // Waits until n requests have been answered (or dropped); the results so far.
    std::vector<uint32_t> results_after(size_t n) {
        for (int i = 0; i < 10000; ++i) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (results_.size() >= n) return results_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return {};
    }

  private:
    std::thread thread_;
    std::atomic<bool> serving_;
    std::atomic<bool> ready_{false}, stop_{false};
    std::mutex mutex_;
    std::vector<uint32_t> results_;
};

// One box, answered by two threads of this process in turn, with an answer to a request
// that was given up dropped in between (the box then free): the second thread's copy must
// follow the first's, as the requester passed the box on between them.
TEST_F(MsgqReply, OneBoxAnsweredByTwoThreadsInTurnAcrossAGivenUpRequest) {
    int to_parent[2], to_child[2];
    ASSERT_EQ(pipe(to_parent), 0);
    ASSERT_EQ(pipe(to_child), 0);
    pid_t kid = spawn([&] {
        char byte = 0;
        if (read(to_child[0], &byte, 1) != 1) return 10;  // the servers are up
        {
            ipc::Client c;
            if (!ask(c, kKeyA, 1, 10, 5000)) return 1;
            uint32_t rc = 0;
            if (ask(c, kKeyB, 2, 20, 50, &rc) || rc != SYSFUN_RESULT_TIMEOUT) return 2;
        }  // the box is free again
        if (write(to_parent[1], "r", 1) != 1) return 11;
        if (read(to_child[0], &byte, 1) != 1) return 12;
        ipc::Client c;
        return ask(c, kKeyB, 3, 30, 5000) ? 0 : 3;
    });
    close(to_parent[1]);  // a child that ends early is then seen at once
    close(to_child[0]);
    Server a(kKeyA), b(kKeyB, false);
    ASSERT_EQ(write(to_child[1], "s", 1), 1);
    char byte = 0;
    if (read(to_parent[0], &byte, 1) != 1) {
        ADD_FAILURE() << "the requester ended with " << reap(kid);
        return;
    }
    b.serve(true);
    EXPECT_EQ(b.results_after(1), std::vector<uint32_t>{SYSFUN_RESULT_PEER_GONE});
    ASSERT_EQ(write(to_child[1], "g", 1), 1);
    EXPECT_EQ(reap(kid), 0);
    EXPECT_EQ(a.results_after(1), std::vector<uint32_t>{SYSFUN_OK});
    EXPECT_EQ(b.results_after(2), (std::vector<uint32_t>{SYSFUN_RESULT_PEER_GONE, SYSFUN_OK}));
    close(to_parent[0]);
    close(to_child[1]);
}

// A server held between copying an answer in and marking it done, well past the
// requester's time-out: the requester waits for that answer rather than leaving the box
// half written, and its next request is answered in the same box as if nothing happened.
TEST_F(MsgqReply, AnAnswerStillBeingCopiedWhenTheTimeRunsOutIsWaitedFor) {
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    pid_t kid = spawn([&] {
        char byte = 0;
        if (read(go[0], &byte, 1) != 1) return 10;
        ipc::Client c;
        const auto start = std::chrono::steady_clock::now();
        if (!ask(c, kKeyA, 1, 10, 1000)) return 1;
        if (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(2400)) return 2;
        return ask(c, kKeyA, 2, 20, 5000) ? 0 : 3;
    });
    static std::atomic<int> held{0};
    held = 0;
    reply::set_test_point([] {
        if (held.fetch_add(1) == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    });
    {
        Server s(kKeyA);
        ASSERT_EQ(write(go[1], "g", 1), 1);
        EXPECT_EQ(reap(kid), 0);
        EXPECT_EQ(s.results_after(2), (std::vector<uint32_t>{SYSFUN_OK, SYSFUN_OK}));
    }
    reply::set_test_point(nullptr);
    close(go[0]);
    close(go[1]);
}

}  // namespace
