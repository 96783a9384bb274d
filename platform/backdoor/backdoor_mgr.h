// BACKDOOR_MGR: interactive debug menus. A component registers its menu under a short name
// and the queue key of the thread that is to run it. A client (`drvctl menu NAME`) opens a
// session socket and sends a menu request (module 118) to that queue; the thread that
// receives it connects to the client and runs the menu, which prints to and reads from the
// client. A client that goes away or stays silent too long ends the session: reads then
// answer BACKDOOR_MGR_EOF at once, so a menu never holds its thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using BACKDOOR_MGR_MenuFunc_T = void (*)();
constexpr int BACKDOOR_MGR_EOF = -1;

// Menu request payload (module 118, and command 90 of the main queue).
constexpr uint32_t BACKDOOR_MGR_OP_OPEN_MENU = 1;
constexpr uint32_t BACKDOOR_MGR_REQ_OFF_OP = 0;    // 32-bit operation
constexpr uint32_t BACKDOOR_MGR_REQ_OFF_NAME = 4;  // menu name, NUL-padded
constexpr uint32_t BACKDOOR_MGR_NAME_LEN = 32;
constexpr uint32_t BACKDOOR_MGR_REQ_OFF_SOCKET = 36;  // client's session socket name, NUL-padded
constexpr uint32_t BACKDOOR_MGR_SOCKET_LEN = 100;
constexpr uint32_t BACKDOOR_MGR_REQ_SIZE = 136;

bool BACKDOOR_MGR_Register_SubsysBackdoorFunc_CallBack(const char* name, uint32_t queue_key,
                                                       BACKDOOR_MGR_MenuFunc_T func);
// Runs the menu a module-118 request names, on the calling thread, when that menu was
// registered with the key of the queue the thread received the request from. TRUE when the
// request was well formed and the menu ran (the response then carries msg_size 4 and TRUE).
bool BACKDOOR_MGR_HandleIPCMsg(void* msgbuf);
// The same for a request taken from the queue with key `queue_key`.
bool BACKDOOR_MGR_HandleIPCMsgOnQueue(void* msgbuf, uint32_t queue_key);

void BACKDOOR_MGR_Printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
void BACKDOOR_MGR_Print(const char* text);
// One character from the client, or BACKDOOR_MGR_EOF when the session has ended.
int BACKDOOR_MGR_GetChar();
// A line from the client (without its end of line), at most max_len-1 characters.
// False when the session has ended.
bool BACKDOOR_MGR_RequestKeyIn(char* buffer, uint32_t max_len);
// Prompts and reads an unsigned number (decimal or 0x hex); empty input or a session that
// ended gives the default.
uint32_t BACKDOOR_LIB_RequestUI32(const char* prompt, uint32_t default_value);
void BACKDOOR_MGR_DumpHex(const char* title, uint32_t len, const void* data);

namespace backdoor {

// Runs `menu` for the client named in a menu request (the payload at `payload`, which holds
// at least BACKDOOR_MGR_REQ_SIZE bytes). False for a malformed request or a client that
// cannot be reached; the menu does not run then.
bool run_session(const uint8_t* payload, BACKDOOR_MGR_MenuFunc_T menu);
// True while the current session's client is there.
bool session_alive();

struct Registration {
    std::string name;
    uint32_t queue_key;
};
// Menus registered in the instance (readable from other processes).
std::vector<Registration> registrations();
// The queue key a menu was registered with; false when there is no such menu.
bool lookup(const std::string& name, uint32_t* queue_key);

// A simple numbered menu: items are shown with their keys, a key runs its action, "q" (or
// the end of the session) leaves.
struct MenuItem {
    const char* key;
    const char* text;
    void (*action)();
};
void run_menu(const char* title, const std::vector<MenuItem>& items);

}  // namespace backdoor
