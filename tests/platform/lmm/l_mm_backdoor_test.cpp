#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/console/console.h"
#include "platform/sysfun/ipc_msg.h"
#include "tests/platform/lmm/lmm_fixture.h"

namespace {

// The main thread's request buffer: header and a 2,408-byte payload.
struct MenuRequest {
    std::vector<uint8_t> buf = std::vector<uint8_t>(12 + 2408, 0);

    explicit MenuRequest(const std::string& socket) {
        ipcmsg::set_cmd(buf.data(), 90);
        ipcmsg::set_msg_size(buf.data(), BACKDOOR_MGR_REQ_SIZE);
        uint8_t* p = ipcmsg::payload(buf.data());
        be::put32(p + BACKDOOR_MGR_REQ_OFF_OP, BACKDOOR_MGR_OP_OPEN_MENU);
        std::memcpy(p + BACKDOOR_MGR_REQ_OFF_NAME, "l_mm", 4);
        std::memcpy(p + BACKDOOR_MGR_REQ_OFF_SOCKET, socket.data(), socket.size());
    }
    void* msg() { return buf.data(); }
};

// A listening session socket in the abstract namespace, as the menu client opens one.
int listen_on(const std::string& name) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 ||
        ::listen(fd, 1) != 0) {
        if (fd >= 0) ::close(fd);
        return -1;
    }
    return fd;
}

using MenuTest = PoolTest;

TEST_F(MenuTest, MalformedRequestsAreRefusedWithoutAResponse) {
    console::Capture cap;
    EXPECT_FALSE(L_MM_BACKDOOR_BackDoorMenu4Process(nullptr));
    EXPECT_TRUE(cap.contains("no message"));

    MenuRequest short_req("lmm_test_nobody");
    ipcmsg::set_msg_size(short_req.msg(), BACKDOOR_MGR_REQ_SIZE - 1);
    EXPECT_FALSE(L_MM_BACKDOOR_BackDoorMenu4Process(short_req.msg()));
    EXPECT_TRUE(cap.contains("menu request too short"));
    EXPECT_EQ(ipcmsg::msg_size(short_req.msg()), BACKDOOR_MGR_REQ_SIZE - 1);

    MenuRequest bad_op("lmm_test_nobody");
    be::put32(ipcmsg::payload(bad_op.msg()) + BACKDOOR_MGR_REQ_OFF_OP, 7);
    EXPECT_FALSE(L_MM_BACKDOOR_BackDoorMenu4Process(bad_op.msg()));
    EXPECT_TRUE(cap.contains("unknown menu operation 7"));

    MenuRequest no_socket("");
    EXPECT_FALSE(L_MM_BACKDOOR_BackDoorMenu4Process(no_socket.msg()));
    MenuRequest nobody("lmm_test_nobody_listens_" + std::to_string(::getpid()));
    EXPECT_FALSE(L_MM_BACKDOOR_BackDoorMenu4Process(nobody.msg()));
    EXPECT_TRUE(cap.contains("the menu session could not be opened"));
    EXPECT_EQ(ipcmsg::msg_size(nobody.msg()), BACKDOOR_MGR_REQ_SIZE);
}

TEST_F(MenuTest, MenuShowsUsageUsersAndMrefsAndSwitchesDebug) {
    L_MM_Mref_T* lan = L_MM_AllocateTxBuffer(60, L_MM_USER_ID(37, 57));
    L_MM_Mref_T* msl = L_MM_AllocateTxBuffer(300, 135);
    ASSERT_TRUE(lan && msl);
    std::memcpy(L_MM_Mref_GetPdu(lan, nullptr), "\x01\x02\x03", 3);
    uint32_t lan_off = L_IPCMEM_GetOffset(lan);

    std::string name = "lmm_test_menu_" + std::to_string(::getpid());
    int lfd = listen_on(name);
    ASSERT_GE(lfd, 0);
    MenuRequest req(name);
    bool result = false;
    std::thread server([&] { result = L_MM_BACKDOOR_BackDoorMenu4Process(req.msg()); });

    int cfd = ::accept(lfd, nullptr, nullptr);
    ASSERT_GE(cfd, 0);
    std::string input = "1\n2\n3\n4\n" + std::to_string(lan_off) + "\n4\n12\n5\nq\n";
    ASSERT_EQ(::write(cfd, input.data(), input.size()), static_cast<ssize_t>(input.size()));
    std::string out;
    char chunk[4096];
    for (;;) {
        pollfd pfd{cfd, POLLIN, 0};
        if (::poll(&pfd, 1, 10000) <= 0) break;
        ssize_t n = ::read(cfd, chunk, sizeof chunk);
        if (n <= 0) break;
        out.append(chunk, static_cast<size_t>(n));
    }
    server.join();
    ::close(cfd);
    ::close(lfd);

    EXPECT_TRUE(result);
    EXPECT_EQ(ipcmsg::msg_size(req.msg()), 4);
    EXPECT_EQ(ipcmsg::payload(req.msg())[0], TRUE);

    // Usage: two mrefs, one buffer in each of the two smallest classes.
    EXPECT_NE(out.find(" buffer 256   |    256 |  2048 |     1 |  2047 |"), std::string::npos)
        << out;
    EXPECT_NE(out.find(" mref         |     64 |  4096 |     2 |  4094 |"), std::string::npos);
    // By user id.
    EXPECT_NE(out.find(" 0x00250039 |       37 |       57 |     1"), std::string::npos);
    EXPECT_NE(out.find(" 0x00000087 |        0 |      135 |     1"), std::string::npos);
    // Listing: both mrefs, with the function that made them.
    EXPECT_NE(out.find(" | tx   |   37/57   |    1 |      60 | "), std::string::npos);
    EXPECT_NE(out.find(" | tx   |    0/135  |    1 |     300 | "), std::string::npos);
    EXPECT_NE(out.find("TestBody("), std::string::npos);
    // Dump by offset, with the packet's first bytes; a bad offset is reported.
    EXPECT_NE(out.find("kind tx, refs 1, user 37/57"), std::string::npos);
    EXPECT_NE(out.find("0000: 01 02 03"), std::string::npos);
    EXPECT_NE(out.find("No mref at offset 0xc."), std::string::npos);
    // Debug switch.
    EXPECT_NE(out.find("L_MM debug messages are off."), std::string::npos);
    EXPECT_FALSE(L_MM_GetDebugFlag());

    EXPECT_EQ(L_MM_Mref_Release(&lan), 0);
    EXPECT_EQ(L_MM_Mref_Release(&msl), 0);
}

}  // namespace
