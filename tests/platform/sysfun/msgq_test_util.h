// Helpers of the message-queue tests: messages that carry who sent them and in which order,
// and children that run a function in a process of their own.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "tests/support/test_instance.h"

namespace msgq_test {

// A message whose payload words are (sender, sequence) and whose remaining payload bytes all
// hold the low byte of the sequence, so that a torn copy shows.
inline std::vector<uint8_t> numbered(uint32_t sender, uint32_t seq, size_t payload_len = 16) {
    std::vector<uint8_t> m(ipcmsg::kHeaderSize + payload_len, static_cast<uint8_t>(seq));
    ipcmsg::set_cmd(m.data(), 119);
    ipcmsg::set_msg_size(m.data(), static_cast<uint16_t>(payload_len));
    ipcmsg::set_word(m.data(), 0, sender);
    ipcmsg::set_word(m.data(), 1, seq);
    return m;
}

// True when the payload bytes behind the two words are all the sequence's low byte.
inline bool intact(const uint8_t* msg, size_t payload_len) {
    const auto fill = static_cast<uint8_t>(ipcmsg::word(msg, 1));
    for (size_t i = 8; i < payload_len; ++i)
        if (ipcmsg::payload(msg)[i] != fill) return false;
    return true;
}

template <typename Fn>
pid_t spawn(Fn fn) {
    pid_t pid = fork();
    if (pid == 0) _exit(fn());
    return pid;
}

// Exit status of a child (0: its checks passed), 99 when it did not exit normally.
inline int reap(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

inline void kill_and_reap(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// A fixture with a private instance and a receive buffer as large as any message.
class QueueTest : public ::testing::Test {
  protected:
    testing_support::TestInstance inst;
    std::vector<uint8_t> buf = std::vector<uint8_t>(sys_adpt::kMaxMsgSize);

    uint32_t receive(SYSFUN_MsgQ_T q, uint32_t ticks) {
        return SYSFUN_ReceiveMsg(q, 0, ticks, sys_adpt::kMaxPayload, buf.data());
    }
};

}  // namespace msgq_test
