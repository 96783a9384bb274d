// Bad input at volume: random module ids, sizes from nothing to beyond any buffer and random
// contents on all five queues, sent without waiting for answers. The daemon must keep
// serving (under AddressSanitizer in the sanitizer build).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <thread>

#include "platform/common/byteorder.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "tests/support/daemon.h"

namespace {

const uint32_t kQueues[] = {24, 25, 52, 56, 59};
// Module ids worth hitting often; any other 16-bit value comes up too.
const uint16_t kModules[] = {37, 117, 118, 119, 120, 121, 125, 126, 127, 1000, 1001, 1002, 1008};

TEST(DriverProcFuzz, RandomRequestsOnAllQueuesLeaveTheDaemonServing) {
    testing_support::Daemon d;
    ASSERT_EQ(d.start(), 0);
    const int pid = d.pid();
    std::mt19937 rng(12345);
    int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    sa_family_t fam = AF_UNIX;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&fam), sizeof fam), 0);
    std::vector<uint8_t> msg(sys_adpt::kMaxMsgSize + 1024);
    const int kRequests = 100000;
    int sent = 0, oversized = 0;
    for (int i = 0; i < kRequests; ++i) {
        uint32_t key = kQueues[rng() % 5];
        size_t len = rng() % 8 == 0 ? rng() % msg.size() : rng() % 64;
        for (size_t b = 0; b < len; ++b)
            msg[b] = static_cast<uint8_t>(rng());
        if (len >= 6)
            be::put16(msg.data() + 4, rng() % 4 ? kModules[rng() % std::size(kModules)]
                                                : static_cast<uint16_t>(rng()));
        if (len >= 16 && rng() % 3 == 0) be::put32(msg.data() + 12, rng() % 260);  // sub-command
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::string name = ipc::queue_socket_name(key);
        std::memcpy(addr.sun_path + 1, name.data(), name.size());
        socklen_t alen = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
        if (sendto(fd, msg.data(), len, 0, reinterpret_cast<sockaddr*>(&addr), alen) ==
            static_cast<ssize_t>(len)) {
            ++sent;
            if (len > sys_adpt::kMaxMsgSize) ++oversized;
            ipc::notify(key);
        }
    }
    close(fd);
    EXPECT_EQ(sent, kRequests);
    EXPECT_GT(oversized, 100);
    // Every queue still answers, and it is still the same process.
    for (uint32_t key : kQueues) {
        auto r = d.request(key, 1000, {}, 60000);
        EXPECT_TRUE(r.answered) << "queue " << key;
        EXPECT_EQ(r.msg_size, 0);
    }
    EXPECT_EQ(d.pid(), pid);
    auto r = d.request(24, 119, {9999}, 10000);
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.msg_size, 4);
}

}  // namespace
