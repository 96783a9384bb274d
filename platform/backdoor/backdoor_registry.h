// The menus registered in this instance. Names and queue keys live in a shared segment so
// that a client (drvctl) can find which queue serves a menu; the functions stay in the
// process that registered them.
#pragma once

#include <cstdint>

#include "platform/backdoor/backdoor_mgr.h"

namespace backdoor::registry {

bool add(const char* name, uint32_t queue_key, BACKDOOR_MGR_MenuFunc_T func);
// The function of a menu registered by this process, or nullptr; `queue_key` (when given)
// receives the key the menu was registered with.
BACKDOOR_MGR_MenuFunc_T find(const char* name, uint32_t* queue_key = nullptr);

}  // namespace backdoor::registry
