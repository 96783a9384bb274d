// Reading a simulation-control request and writing its answer in the same buffer (the
// records in records.h).
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/simctl/simctl.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/simproto/records.h"

namespace chipsim::simreply {

// Sets the result byte (1 done, 0 refused) and a size covering data_size bytes of data after
// it. Returns true: the request is answered either way.
inline bool answer(void* msg, bool ok, uint32_t data_size = 0) {
    ipcmsg::payload(msg)[0] = ok ? 1 : 0;
    ipcmsg::set_msg_size(msg, static_cast<uint16_t>(4 + data_size));
    return true;
}

// Answers done with encoded records after the result word; refused when they do not fit.
inline bool reply(void* msg, const simproto::Bytes& data) {
    if (4 + data.size() > simctl::kMaxPayload) return answer(msg, false);
    if (!data.empty()) std::memcpy(ipcmsg::payload(msg) + 4, data.data(), data.size());
    return answer(msg, true, static_cast<uint32_t>(data.size()));
}
template <typename T>
bool reply(void* msg, const T& record) {
    simproto::Bytes b;
    encode(record, &b);
    return reply(msg, b);
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
