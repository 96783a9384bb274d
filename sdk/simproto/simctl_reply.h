// Reading a simulation-control request and writing its answer in the same buffer (layouts in
// simctl_cmds.h).
#pragma once

#include <cstdint>

#include "platform/sysfun/ipc_msg.h"

namespace chipsim::simreply {

// Sets the result byte (1 done, 0 refused) and a size covering data_size bytes of data after
// it. Returns true: the request is answered either way.
inline bool answer(void* msg, bool ok, uint32_t data_size = 0) {
    ipcmsg::payload(msg)[0] = ok ? 1 : 0;
    ipcmsg::set_msg_size(msg, static_cast<uint16_t>(4 + data_size));
    return true;
}

// The request's word i, when the request is long enough to hold it.
inline bool word(const void* msg, uint32_t i, uint32_t* out) {
    if (ipcmsg::msg_size(msg) < 4 * (i + 1)) return false;
    *out = ipcmsg::word(msg, i);
    return true;
}

// The request's word i; zero when the request is too short to hold it.
inline uint32_t word(const void* msg, uint32_t i) {
    uint32_t v = 0;
    word(msg, i, &v);
    return v;
}

}  // namespace chipsim::simreply
