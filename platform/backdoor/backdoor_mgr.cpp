#include "platform/backdoor/backdoor_mgr.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/backdoor/backdoor_registry.h"
#include "platform/common/byteorder.h"
#include "platform/console/console.h"
#include "platform/sysfun/ipc_msg.h"
#include "platform/sysfun/sysfun_hooks.h"

namespace {

// A client that sends nothing for this long is taken as gone.
constexpr int kIdleTimeoutMs = 10 * 60 * 1000;
// Output the client does not take within this time ends the session.
constexpr int kWriteTimeoutMs = 5000;

struct Session {
    int fd = -1;
    bool alive = false;
};
thread_local Session t_session;

void end_session() {
    t_session.alive = false;
}

void session_write(const char* data, size_t n) {
    if (!t_session.alive) return;
    while (n > 0) {
        ssize_t w = ::send(t_session.fd, data, n, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (w > 0) {
            data += w;
            n -= static_cast<size_t>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) continue;
        if (w < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfd{t_session.fd, POLLOUT, 0};
            if (::poll(&pfd, 1, kWriteTimeoutMs) > 0) continue;
        }
        end_session();
        return;
    }
}

// Connects to the client's session socket named in a request; -1 when it cannot.
int connect_client(const uint8_t* payload) {
    char name[BACKDOOR_MGR_SOCKET_LEN + 1] = {};
    std::memcpy(name, payload + BACKDOOR_MGR_REQ_OFF_SOCKET, BACKDOOR_MGR_SOCKET_LEN);
    size_t len = strnlen(name, BACKDOOR_MGR_SOCKET_LEN);
    if (len == 0) return -1;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, name, len);  // abstract namespace
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    socklen_t alen = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + len);
    // A Unix socket connects at once or not at all, so this never waits.
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), alen) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack(const char* name, uint32_t queue_key,
                                                       BACKDOOR_MGR_MenuFunc_T func) {
    if (!name || !*name || !func || std::strlen(name) >= BACKDOOR_MGR_NAME_LEN) return false;
    return backdoor::registry::add(name, queue_key, func);
}

bool BACKDOOR_MGR_HandleIPCMsg(void* msgbuf) {
    return BACKDOOR_MGR_HandleIPCMsgOnQueue(msgbuf, sysfun::received_queue_key());
}

bool BACKDOOR_MGR_HandleIPCMsgOnQueue(void* msgbuf, uint32_t queue_key) {
    if (!msgbuf) return false;
    const uint8_t* payload = ipcmsg::payload(msgbuf);
    if (be::get32(payload + BACKDOOR_MGR_REQ_OFF_OP) != BACKDOOR_MGR_OP_OPEN_MENU) {
        CONSOLE_Printf("BACKDOOR_MGR: malformed menu request (operation %u)\r\n",
                       be::get32(payload + BACKDOOR_MGR_REQ_OFF_OP));
        return false;
    }
    char name[BACKDOOR_MGR_NAME_LEN + 1] = {};
    std::memcpy(name, payload + BACKDOOR_MGR_REQ_OFF_NAME, BACKDOOR_MGR_NAME_LEN);
    uint32_t menu_key = 0;
    BACKDOOR_MGR_MenuFunc_T menu = backdoor::registry::find(name, &menu_key);
    if (!menu) {
        CONSOLE_Printf("BACKDOOR_MGR: no menu named \"%s\"\r\n", name);
        return false;
    }
    // A menu runs only on the thread of the queue it was registered with, beside the state
    // that thread owns.
    if (menu_key != queue_key) {
        CONSOLE_Printf("BACKDOOR_MGR: menu \"%s\" is served on queue %lu, not on queue %lu\r\n",
                       name, static_cast<unsigned long>(menu_key),
                       static_cast<unsigned long>(queue_key));
        return false;
    }
    if (!backdoor::run_session(payload, menu)) return false;
    std::memset(ipcmsg::payload(msgbuf), 0, 4);
    ipcmsg::payload(msgbuf)[0] = TRUE;
    ipcmsg::set_msg_size(msgbuf, 4);
    return true;
}

void BACKDOOR_MGR_Print(const char* text) {
    if (text) session_write(text, std::strlen(text));
}

void BACKDOOR_MGR_Printf(const char* fmt, ...) {
    char buf[1024];
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    if (n > 0) session_write(buf, std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1));
}

int BACKDOOR_MGR_GetChar() {
    if (!t_session.alive) return BACKDOOR_MGR_EOF;
    for (;;) {
        pollfd pfd{t_session.fd, POLLIN, 0};
        int prc = ::poll(&pfd, 1, kIdleTimeoutMs);
        if (prc < 0 && errno == EINTR) continue;
        if (prc <= 0) break;
        unsigned char ch;
        ssize_t n = ::recv(t_session.fd, &ch, 1, MSG_DONTWAIT);
        if (n == 1) return ch;
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        break;  // the client closed its side
    }
    end_session();
    return BACKDOOR_MGR_EOF;
}

bool BACKDOOR_MGR_RequestKeyIn(char* buffer, uint32_t max_len) {
    if (!buffer || max_len == 0) return false;
    uint32_t n = 0;
    buffer[0] = 0;
    for (;;) {
        int ch = BACKDOOR_MGR_GetChar();
        if (ch == BACKDOOR_MGR_EOF) {
            buffer[n] = 0;
            return n > 0;
        }
        if (ch == '\n') break;
        if (ch == '\r') continue;
        if (n + 1 < max_len) buffer[n++] = static_cast<char>(ch);
    }
    buffer[n] = 0;
    return true;
}

uint32_t BACKDOOR_LIB_RequestUI32(const char* prompt, uint32_t default_value) {
    if (prompt)
        BACKDOOR_MGR_Printf("%s [%lu]: ", prompt, static_cast<unsigned long>(default_value));
    char line[32];
    if (!BACKDOOR_MGR_RequestKeyIn(line, sizeof line) || line[0] == 0) return default_value;
    char* end = nullptr;
    unsigned long v = std::strtoul(line, &end, 0);
    if (end == line || *end != 0 || v > 0xFFFFFFFFul) {
        BACKDOOR_MGR_Printf("not a number, keeping %lu\r\n",
                            static_cast<unsigned long>(default_value));
        return default_value;
    }
    return static_cast<uint32_t>(v);
}

void BACKDOOR_MGR_DumpHex(const char* title, uint32_t len, const void* data) {
    if (title) BACKDOOR_MGR_Printf("%s\r\n", title);
    if (!data) return;
    auto* p = static_cast<const uint8_t*>(data);
    for (uint32_t off = 0; off < len; off += 16) {
        char line[80];
        int n = std::snprintf(line, sizeof line, "%04x:", off);
        for (uint32_t i = off; i < off + 16 && i < len; ++i)
            n += std::snprintf(line + n, sizeof line - static_cast<size_t>(n), " %02x", p[i]);
        BACKDOOR_MGR_Printf("%s\r\n", line);
    }
}

namespace backdoor {

bool run_session(const uint8_t* payload, BACKDOOR_MGR_MenuFunc_T menu) {
    if (!payload || !menu) return false;
    if (be::get32(payload + BACKDOOR_MGR_REQ_OFF_OP) != BACKDOOR_MGR_OP_OPEN_MENU) return false;
    int fd = connect_client(payload);
    if (fd < 0) {
        CONSOLE_Printf("BACKDOOR_MGR: the menu client cannot be reached\r\n");
        return false;
    }
    Session saved = t_session;  // a menu may be entered from inside another one
    t_session = Session{fd, true};
    menu();
    ::close(fd);
    t_session = saved;
    return true;
}

bool session_alive() {
    return t_session.alive;
}

bool lookup(const std::string& name, uint32_t* queue_key) {
    for (const Registration& r : registrations()) {
        if (r.name == name) {
            if (queue_key) *queue_key = r.queue_key;
            return true;
        }
    }
    return false;
}

void run_menu(const char* title, const std::vector<MenuItem>& items) {
    for (;;) {
        BACKDOOR_MGR_Printf("\r\n==== %s ====\r\n", title);
        for (const MenuItem& it : items)
            BACKDOOR_MGR_Printf(" %s. %s\r\n", it.key, it.text);
        BACKDOOR_MGR_Print(" q. Exit\r\nselect: ");
        char line[16];
        if (!BACKDOOR_MGR_RequestKeyIn(line, sizeof line)) return;
        if (line[0] == 0) continue;
        if (std::strcmp(line, "q") == 0 || std::strcmp(line, "Q") == 0) return;
        bool found = false;
        for (const MenuItem& it : items) {
            if (std::strcmp(line, it.key) == 0) {
                found = true;
                it.action();
                break;
            }
        }
        if (!found) BACKDOOR_MGR_Printf("unknown choice \"%s\"\r\n", line);
        if (!session_alive()) return;
    }
}

}  // namespace backdoor
