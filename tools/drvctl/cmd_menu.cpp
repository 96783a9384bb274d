// drvctl menu NAME: opens a debug menu of the driver process. drvctl listens on a session
// socket, sends the menu request to the queue the menu was registered with, and relays the
// terminal (or piped input) to the menu until either side ends.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/common/byteorder.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

// The memory library's menu is served by the main thread's queue, with command 90.
constexpr uint32_t kMainQueueKey = 1008;
constexpr uint16_t kCmdMemoryMenu = 90;
constexpr uint16_t kCmdBackdoor = 118;

int listen_session(std::string* name) {
    *name = instance::socket_name("bd." + std::to_string(::getpid()));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, name->data(), name->size());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name->size());
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) != 0 || ::listen(fd, 1) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Copies between the terminal and the session until the menu closes it.
void relay(int sock) {
    bool stdin_open = true;
    char buf[4096];
    for (;;) {
        pollfd fds[2] = {{sock, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        int n = ::poll(fds, stdin_open ? 2 : 1, -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return;
        if (fds[0].revents) {
            ssize_t r = ::read(sock, buf, sizeof buf);
            if (r <= 0) return;
            if (::write(STDOUT_FILENO, buf, static_cast<size_t>(r)) < 0) return;
        }
        if (stdin_open && fds[1].revents) {
            ssize_t r = ::read(STDIN_FILENO, buf, sizeof buf);
            if (r <= 0) {
                stdin_open = false;
                ::shutdown(sock, SHUT_WR);  // the menu reads the end of its input
            } else if (::send(sock, buf, static_cast<size_t>(r), MSG_NOSIGNAL) < 0) {
                return;
            }
        }
    }
}

}  // namespace

int cmd_menu(Args& args) {
    if (args.words.size() != 1) return usage_error("menu needs one NAME");
    const std::string& name = args.words[0];
    if (name.size() >= BACKDOOR_MGR_NAME_LEN) return usage_error("menu name too long");
    if (!attach_instance()) return kExitNoResponse;
    uint32_t key = kMainQueueKey;
    uint16_t cmd = kCmdMemoryMenu;
    if (name != "l_mm") {
        cmd = kCmdBackdoor;
        if (!backdoor::lookup(name, &key)) {
            std::string known;
            for (const auto& r : backdoor::registrations())
                known += " " + r.name;
            return usage_error("no menu named \"" + name + "\"; menus:" + known + " l_mm");
        }
    }
    if (args.queue_given) key = args.queue_key;
    std::string sock_name;
    int lfd = listen_session(&sock_name);
    if (lfd < 0) {
        std::fprintf(stderr, "drvctl: cannot open a session socket\n");
        return kExitFailed;
    }
    std::vector<uint8_t> msg(ipcmsg::kHeaderSize + BACKDOOR_MGR_REQ_SIZE);
    ipcmsg::set_cmd(msg.data(), cmd);
    ipcmsg::set_msg_size(msg.data(), BACKDOOR_MGR_REQ_SIZE);
    uint8_t* p = ipcmsg::payload(msg.data());
    be::put32(p + BACKDOOR_MGR_REQ_OFF_OP, BACKDOOR_MGR_OP_OPEN_MENU);
    std::memcpy(p + BACKDOOR_MGR_REQ_OFF_NAME, name.data(), name.size());
    std::memcpy(p + BACKDOOR_MGR_REQ_OFF_SOCKET, sock_name.data(), sock_name.size());
    ipc::Client client;
    if (client.send(key, msg.data(), msg.size()) != SYSFUN_OK) {
        std::fprintf(stderr, "drvctl: cannot send the menu request to queue %u\n", key);
        ::close(lfd);
        return kExitNoResponse;
    }
    pollfd pfd{lfd, POLLIN, 0};
    if (::poll(&pfd, 1, args.timeout_ms) <= 0) {
        std::fprintf(stderr, "drvctl: the menu \"%s\" did not open within %d ms\n", name.c_str(),
                     args.timeout_ms);
        ::close(lfd);
        return kExitNoResponse;
    }
    int sock = ::accept4(lfd, nullptr, nullptr, SOCK_CLOEXEC);
    ::close(lfd);
    if (sock < 0) return kExitFailed;
    relay(sock);
    ::close(sock);
    return kExitOk;
}

}  // namespace drvctl
