// Debug menus: a session reaches the client that opened it, and a client that goes away or a
// malformed request never holds the serving thread.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/common/byteorder.h"
#include "tests/support/test_instance.h"

namespace {

int g_runs = 0;
std::string g_seen;

void echo_menu() {
    ++g_runs;
    BACKDOOR_MGR_Print("hello\r\n");
    uint32_t n = BACKDOOR_LIB_RequestUI32("number", 7);
    BACKDOOR_MGR_Printf("got %u\r\n", n);
    char line[8];
    if (BACKDOOR_MGR_RequestKeyIn(line, sizeof line)) g_seen = line;
    // After the client has gone, reads answer at once.
    while (BACKDOOR_MGR_GetChar() != BACKDOOR_MGR_EOF) {
    }
    EXPECT_EQ(BACKDOOR_MGR_GetChar(), BACKDOOR_MGR_EOF);
}

struct Listener {
    int fd = -1;
    std::string name;
    explicit Listener(const std::string& n) : name(n) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path + 1, name.data(), name.size());
        fd = socket(AF_UNIX, SOCK_STREAM, 0);
        bind(fd, reinterpret_cast<sockaddr*>(&addr),
             static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size()));
        listen(fd, 1);
    }
    ~Listener() { close(fd); }
};

std::vector<uint8_t> menu_request(const std::string& menu, const std::string& sock) {
    std::vector<uint8_t> req(12 + BACKDOOR_MGR_REQ_SIZE, 0);
    uint8_t* p = req.data() + 12;
    be::put32(p + BACKDOOR_MGR_REQ_OFF_OP, BACKDOOR_MGR_OP_OPEN_MENU);
    std::memcpy(p + BACKDOOR_MGR_REQ_OFF_NAME, menu.data(), menu.size());
    std::memcpy(p + BACKDOOR_MGR_REQ_OFF_SOCKET, sock.data(), sock.size());
    return req;
}

class Backdoor : public ::testing::Test {
  protected:
    void SetUp() override {
        g_runs = 0;
        g_seen.clear();
        ASSERT_TRUE(BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack("t_menu", 24, echo_menu));
    }
    testing_support::TestInstance inst;
};

TEST_F(Backdoor, MenuTalksToTheClientThatOpenedIt) {
    Listener l("bdtest." + std::to_string(getpid()));
    auto req = menu_request("t_menu", l.name);
    std::string output;
    std::thread client([&] {
        int s = accept(l.fd, nullptr, nullptr);
        const char input[] = "12\nabc\n";
        send(s, input, sizeof input - 1, 0);
        shutdown(s, SHUT_WR);
        char buf[256];
        ssize_t n;
        while ((n = read(s, buf, sizeof buf)) > 0)
            output.append(buf, static_cast<size_t>(n));
        close(s);
    });
    EXPECT_TRUE(BACKDOOR_MGR_HandleIPCMsgOnQueue(req.data(), 24));
    client.join();
    EXPECT_EQ(g_runs, 1);
    EXPECT_EQ(g_seen, "abc");
    EXPECT_NE(output.find("hello\r\n"), std::string::npos);
    EXPECT_NE(output.find("number [7]: got 12\r\n"), std::string::npos);
    EXPECT_EQ(req[12], 1);  // TRUE
    uint32_t key = 0;
    EXPECT_TRUE(backdoor::lookup("t_menu", &key));
    EXPECT_EQ(key, 24u);
}

TEST_F(Backdoor, VanishedClientEndsTheSessionAtOnce) {
    Listener l("bdtest2." + std::to_string(getpid()));
    auto req = menu_request("t_menu", l.name);
    std::thread client([&] { close(accept(l.fd, nullptr, nullptr)); });
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(BACKDOOR_MGR_HandleIPCMsgOnQueue(req.data(), 24));
    client.join();
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(2));
    EXPECT_EQ(g_runs, 1);
}

TEST_F(Backdoor, MalformedOrUnreachableRequestsDoNotRunTheMenu) {
    auto no_socket = menu_request("t_menu", "");
    EXPECT_FALSE(BACKDOOR_MGR_HandleIPCMsgOnQueue(no_socket.data(), 24));
    auto nobody = menu_request("t_menu", "bdtest.nobody.listens");
    EXPECT_FALSE(BACKDOOR_MGR_HandleIPCMsgOnQueue(nobody.data(), 24));
    auto bad_op = menu_request("t_menu", "x");
    be::put32(bad_op.data() + 12, 9);
    EXPECT_FALSE(BACKDOOR_MGR_HandleIPCMsgOnQueue(bad_op.data(), 24));
    auto unknown = menu_request("no_such_menu", "x");
    EXPECT_FALSE(BACKDOOR_MGR_HandleIPCMsgOnQueue(unknown.data(), 24));
    EXPECT_FALSE(BACKDOOR_MGR_HandleIPCMsg(nullptr));
    // A menu is served only from the queue it was registered with; a thread that has received
    // nothing serves no queue.
    Listener l("bdtest3." + std::to_string(getpid()));
    auto elsewhere = menu_request("t_menu", l.name);
    EXPECT_FALSE(BACKDOOR_MGR_HandleIPCMsgOnQueue(elsewhere.data(), 25));
    EXPECT_FALSE(BACKDOOR_MGR_HandleIPCMsg(elsewhere.data()));
    EXPECT_EQ(g_runs, 0);
    EXPECT_FALSE(BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack(
        "a_name_far_too_long_for_the_registry", 24, echo_menu));
}

}  // namespace
