// Queues, events and semaphores as other processes see them: the guarantees the request
// protocol rests on.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "tests/support/test_instance.h"

namespace {

constexpr uint32_t kKey = 4242;

std::vector<uint8_t> make_msg(uint16_t cmd, size_t payload_len, uint8_t fill) {
    std::vector<uint8_t> m(ipcmsg::kHeaderSize + payload_len, fill);
    be::put32(m.data(), 0);
    ipcmsg::set_cmd(m.data(), cmd);
    ipcmsg::set_msg_size(m.data(), static_cast<uint16_t>(payload_len));
    return m;
}

// Runs fn in a forked child; returns the child's exit status (0 = its checks passed).
template <typename Fn>
int in_child(Fn fn) {
    pid_t pid = fork();
    if (pid == 0) _exit(fn());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

class SysfunIpc : public ::testing::Test {
  protected:
    testing_support::TestInstance inst;
};

TEST_F(SysfunIpc, ReceiveClearsWhatAShortMessageDidNotFill) {
    SYSFUN_MsgQ_T q;
    ASSERT_EQ(SYSFUN_CreateMsgQ(kKey, 1, &q), SYSFUN_OK);
    std::vector<uint8_t> buf(ipcmsg::kHeaderSize + 256, 0xEE);
    ipc::Client c;
    auto long_msg = make_msg(119, 200, 0xAB);
    auto short_msg = make_msg(119, 4, 0x11);
    ASSERT_EQ(c.send(kKey, long_msg.data(), long_msg.size()), SYSFUN_OK);
    ASSERT_EQ(c.send(kKey, short_msg.data(), short_msg.size()), SYSFUN_OK);
    ASSERT_EQ(SYSFUN_ReceiveMsg(q, 0, 100, 256, buf.data()), SYSFUN_OK);
    EXPECT_EQ(buf[ipcmsg::kHeaderSize + 199], 0xAB);
    ASSERT_EQ(SYSFUN_ReceiveMsg(q, 0, 100, 256, buf.data()), SYSFUN_OK);
    EXPECT_EQ(buf[ipcmsg::kHeaderSize + 3], 0x11);
    for (size_t i = ipcmsg::kHeaderSize + 4; i < buf.size(); ++i)
        ASSERT_EQ(buf[i], 0) << "leftover of the previous message at " << i;
    EXPECT_EQ(SYSFUN_ReceiveMsg(q, 0, SYSFUN_TIMEOUT_NOWAIT, 256, buf.data()),
              SYSFUN_RESULT_NO_MESSAGE);
    SYSFUN_DestroyMsgQ(q);
}

TEST_F(SysfunIpc, OversizedAndTruncatedMessagesAreRefusedWithoutOverrun) {
    SYSFUN_MsgQ_T q;
    ASSERT_EQ(SYSFUN_CreateMsgQ(kKey, 1, &q), SYSFUN_OK);
    ipc::Client c;
    auto huge = make_msg(119, sys_adpt::kMaxPayload + 1, 1);
    EXPECT_EQ(c.send(kKey, huge.data(), huge.size()), SYSFUN_RESULT_MSG_TOO_LONG);
    uint8_t tiny[5] = {};
    EXPECT_EQ(c.send(kKey, tiny, sizeof tiny), SYSFUN_RESULT_MSG_TOO_SHORT);

    // A sender that bypasses the client library: the receiving side refuses the message as
    // a whole and never writes past the buffer it was given (ASan watches the guard).
    auto big = make_msg(119, 300, 7);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string name = ipc::queue_socket_name(kKey);
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    socklen_t alen = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    ASSERT_EQ(sendto(fd, big.data(), big.size(), 0, reinterpret_cast<sockaddr*>(&addr), alen),
              static_cast<ssize_t>(big.size()));
    ASSERT_EQ(sendto(fd, tiny, 3, 0, reinterpret_cast<sockaddr*>(&addr), alen), 3);
    close(fd);
    ASSERT_EQ(ipc::notify(kKey), SYSFUN_OK);
    std::vector<uint8_t> buf(ipcmsg::kHeaderSize + 100 + 16, 0x5A);
    EXPECT_EQ(SYSFUN_ReceiveMsg(q, 0, 100, 100, buf.data()), SYSFUN_RESULT_MSG_TOO_LONG);
    for (size_t i = ipcmsg::kHeaderSize + 100; i < buf.size(); ++i)
        ASSERT_EQ(buf[i], 0x5A);
    EXPECT_EQ(SYSFUN_ReceiveMsg(q, 0, 100, 100, buf.data()), SYSFUN_RESULT_MSG_TOO_SHORT);
    SYSFUN_DestroyMsgQ(q);
}

TEST_F(SysfunIpc, ResponseReachesTheRequesterInAnotherProcessAndIsDroppedWhenItIsGone) {
    SYSFUN_MsgQ_T q;
    ASSERT_EQ(SYSFUN_CreateMsgQ(kKey, 1, &q), SYSFUN_OK);
    auto serve_one = [&] {
        std::vector<uint8_t> buf(ipcmsg::kHeaderSize + 64);
        while (SYSFUN_ReceiveMsg(q, 0, 500, 64, buf.data()) != SYSFUN_OK) {
        }
        ipcmsg::set_word(buf.data(), 1, ipcmsg::word(buf.data(), 0) * 2);
        ipcmsg::set_msg_size(buf.data(), 8);
        return SYSFUN_SendResponseMsg(q, buf.data());
    };
    std::thread server([&] { EXPECT_EQ(serve_one(), SYSFUN_OK); });
    EXPECT_EQ(in_child([] {
                  ipc::Client c;
                  auto m = make_msg(119, 8, 0);
                  ipcmsg::set_word(m.data(), 0, 21);
                  std::vector<uint8_t> resp(ipcmsg::kHeaderSize + 64);
                  size_t len = 0;
                  if (c.request(kKey, m.data(), m.size(), resp.data(), resp.size(), &len, 2000))
                      return 1;
                  return (ipcmsg::msg_size(resp.data()) == 8 && ipcmsg::word(resp.data(), 1) == 42)
                             ? 0
                             : 2;
              }),
              0);
    server.join();
    // This requester has exited before its answer is sent: the answer is dropped at once.
    EXPECT_EQ(in_child([] {
                  ipc::Client c;
                  auto m = make_msg(119, 8, 0);
                  return c.send(kKey, m.data(), m.size()) == SYSFUN_OK ? 0 : 1;
              }),
              0);
    EXPECT_EQ(serve_one(), SYSFUN_RESULT_PEER_GONE);
    SYSFUN_DestroyMsgQ(q);
}

TEST_F(SysfunIpc, MessageFromAnotherProcessRaisesTheOwnersEvent) {
    SYSFUN_MsgQ_T q;
    ASSERT_EQ(SYSFUN_CreateMsgQ(kKey, 1, &q), SYSFUN_OK);
    uint32_t ev = 0;
    EXPECT_EQ(SYSFUN_ReceiveEvent(SYSFUN_SYSTEM_EVENT_IPCMSG, 2, 0, &ev), SYSFUN_RESULT_TIMEOUT);
    ASSERT_EQ(in_child([] {
                  ipc::Client c;
                  auto m = make_msg(1000, 4, 0);
                  return static_cast<int>(c.send(kKey, m.data(), m.size()));
              }),
              0);
    ASSERT_EQ(SYSFUN_ReceiveEvent(0x78000000, 2, 200, &ev), SYSFUN_OK);
    EXPECT_EQ(ev, SYSFUN_SYSTEM_EVENT_IPCMSG);
    std::vector<uint8_t> buf(ipcmsg::kHeaderSize + 16);
    EXPECT_EQ(SYSFUN_ReceiveMsg(q, 0, 0, 16, buf.data()), SYSFUN_OK);
    EXPECT_EQ(ipcmsg::cmd(buf.data()), 1000);
    SYSFUN_DestroyMsgQ(q);
}

TEST_F(SysfunIpc, EventsSentByAnotherProcessWakeTheThreadAndWaitsTimeOut) {
    std::atomic<uint32_t> tid{0};
    std::atomic<uint32_t> got{0};
    std::thread waiter([&] {
        tid = SYSFUN_TaskIdSelf();
        uint32_t ev = 0;
        // Only bits of the mask are taken; the others stay pending for later.
        if (SYSFUN_ReceiveEvent(0x6, 2, SYSFUN_TIMEOUT_WAIT_FOREVER, &ev) == SYSFUN_OK) got = ev;
        uint32_t rest = 0;
        SYSFUN_ReceiveEvent(0x100, 2, 0, &rest);
        got = got | (rest << 4);
    });
    while (!tid)
        std::this_thread::yield();
    uint32_t target = tid;
    ASSERT_EQ(in_child([target] { return static_cast<int>(SYSFUN_SendEvent(target, 0x104)); }), 0);
    waiter.join();
    EXPECT_EQ(got.load(), 0x4u | (0x100u << 4));
    uint32_t ev = 1;
    uint32_t t0 = SYSFUN_GetSysTick();
    EXPECT_EQ(SYSFUN_ReceiveEvent(0x1, 2, 10, &ev), SYSFUN_RESULT_TIMEOUT);
    EXPECT_EQ(ev, 0u);
    EXPECT_GE(SYSFUN_GetSysTick() - t0, 9u);
    EXPECT_EQ(SYSFUN_SendEvent(12345678, 1), SYSFUN_RESULT_OBJ_NOT_EXIST);
}

TEST_F(SysfunIpc, KeyedSemaphoreIsSharedWithAnotherProcess) {
    uint32_t id;
    ASSERT_EQ(SYSFUN_CreateSem(67, 1, 0, &id), SYSFUN_OK);
    EXPECT_EQ(SYSFUN_CreateSem(67, 1, 0, &id), SYSFUN_RESULT_OBJ_EXIST);
    ASSERT_EQ(SYSFUN_TakeSem(id, SYSFUN_TIMEOUT_WAIT_FOREVER), SYSFUN_OK);
    // The child finds the semaphore by key and cannot take it while we hold it.
    EXPECT_EQ(in_child([] {
                  uint32_t sid;
                  if (SYSFUN_GetSem(67, &sid) != SYSFUN_OK) return 1;
                  if (SYSFUN_TakeSem(sid, 5) != SYSFUN_RESULT_TIMEOUT) return 2;
                  return 0;
              }),
              0);
    ASSERT_EQ(SYSFUN_GiveSem(id), SYSFUN_OK);
    EXPECT_EQ(in_child([] {
                  uint32_t sid;
                  if (SYSFUN_GetSem(67, &sid) != SYSFUN_OK) return 1;
                  if (SYSFUN_TakeSem(sid, 50) != SYSFUN_OK) return 2;
                  SYSFUN_GiveSem(sid);
                  return 0;
              }),
              0);
    uint32_t missing;
    EXPECT_EQ(SYSFUN_GetSem(89, &missing), SYSFUN_RESULT_OBJ_NOT_EXIST);
    EXPECT_EQ(SYSFUN_DestroySem(id), SYSFUN_OK);
    EXPECT_EQ(SYSFUN_GiveSem(id), SYSFUN_RESULT_INVALID_ARG);
}

TEST_F(SysfunIpc, PeriodicTimerRaisesItsEventsOnTheCreatingThread) {
    void* timer = SYSFUN_PeriodicTimer_Create();
    // Read before the start: a thread preempted between the two would otherwise count from
    // later than the timer does.
    uint32_t t0 = SYSFUN_GetSysTick();
    ASSERT_TRUE(SYSFUN_PeriodicTimer_Start(timer, 2, 0x10));
    int fired = 0;
    while (fired < 3) {
        uint32_t ev = 0;
        ASSERT_EQ(SYSFUN_ReceiveEvent(0x10, 2, 100, &ev), SYSFUN_OK);
        ++fired;
    }
    EXPECT_GE(SYSFUN_GetSysTick() - t0, 5u);
    ASSERT_TRUE(SYSFUN_PeriodicTimer_Stop(timer));
    uint32_t ev = 0;
    SYSFUN_ReceiveEvent(0x10, 2, 0, &ev);  // one may have fired before the stop
    EXPECT_EQ(SYSFUN_ReceiveEvent(0x10, 2, 10, &ev), SYSFUN_RESULT_TIMEOUT);
    EXPECT_TRUE(SYSFUN_PeriodicTimer_Destroy(timer));
    EXPECT_FALSE(SYSFUN_PeriodicTimer_Start(timer, 2, 0x10));
}

}  // namespace
