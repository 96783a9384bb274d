// Every served module-119 sub-command as one line of data: the request (argument values
// chosen distinct, so that an argument read from the wrong word changes what happens), the
// size of the returned data, and the same operation called directly with those values in the
// order of its parameters. A test sends the request through the real handler and compares
// its answer and the chip's state with what the direct call gives.
//
// A newly served sub-command needs one line here; a served one without a line fails
// SubcmdTableTest.EveryServedSubCommandHasACase with its name.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "sdk/chipsim/chipsim.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace subcmd_cases {

using Bytes = std::vector<uint8_t>;

// Argument words from payload offset 4, big-endian.
inline Bytes W(std::initializer_list<uint32_t> words) {
    Bytes b;
    for (uint32_t w : words)
        for (int s = 24; s >= 0; s -= 8)
            b.push_back(static_cast<uint8_t>(w >> s));
    return b;
}
inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
// A VLAN list (512 bytes, VLAN v in bit 7 - v % 8 of byte v / 8).
inline Bytes vlans(std::initializer_list<uint32_t> vids) {
    Bytes l(512, 0);
    for (uint32_t v : vids)
        l[v / 8] |= static_cast<uint8_t>(0x80 >> (v % 8));
    return l;
}

// The returned data a direct call gives.
struct Out {
    uint8_t data[256] = {};
    void word(int i, uint32_t v) { be::put32(data + 4 * i, v); }
};
using Direct = std::function<bool(Out&)>;

// Direct calls of operations with 32-bit out-parameters: fn(&a[, &b[, &c]]) returns the words.
template <typename Fn>
Direct get1(Fn fn) {
    return [fn](Out& o) {
        uint32_t a = 0;
        bool ok = fn(&a);
        o.word(0, a);
        return ok;
    };
}
template <typename Fn>
Direct get2(Fn fn) {
    return [fn](Out& o) {
        uint32_t a = 0, b = 0;
        bool ok = fn(&a, &b);
        o.word(0, a);
        o.word(1, b);
        return ok;
    };
}
template <typename Fn>
Direct get3(Fn fn) {
    return [fn](Out& o) {
        uint32_t a = 0, b = 0, c = 0;
        bool ok = fn(&a, &b, &c);
        o.word(0, a);
        o.word(1, b);
        o.word(2, c);
        return ok;
    };
}
template <typename Fn>
Direct call(Fn fn) {
    return [fn](Out&) { return fn(); };
}

struct Case {
    uint32_t sub;
    Bytes request;   // the payload after the sub-command word
    uint16_t reply;  // bytes of returned data (msg_size - 4)
    Direct direct;
    std::function<void()> setup = {};  // before the request and before the direct call
    bool two_devices = false;          // on the board with two devices and stacking ports
};

// Front port 5 is device 0's port 4, front port 10 a combo port, 15 a 10G port.
constexpr uint32_t P = 5;
constexpr uint32_t V = 77;    // a VLAN
constexpr uint32_t V2 = 300;  // another

// Chip state every case starts from (besides the driver's start): VLANs V and V2, port 5 a
// member of V, a link partner on port 5 that differs from the other ports' partners.
void common_setup();

const std::vector<Case>& cases();

}  // namespace subcmd_cases
