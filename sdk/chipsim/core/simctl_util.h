// What the features' simulation-control handlers share: reading the request, answering with
// the protocol's records (sdk/simproto/records.h), front ports, and registration against the
// command table (sdk/simproto), which refuses a request shorter than its command's words before the
// handler runs.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/simctl/simctl.h"
#include "sdk/chipsim/port/port.h"
#include "sdk/simproto/simctl_cmds.h"
#include "sdk/simproto/simctl_reply.h"

namespace chipsim {

namespace sc = simcmd;
using simreply::answer;
using simreply::reply;
using simreply::word;

// Registers the handler of a command of the table.
void simctl_register(uint16_t cmd, simctl::Handler handler);

// The front port of a device port (0: the CPU port, sc::kNoFrontPort: none).
uint8_t front_of(uint8_t dev, uint8_t port);

// The devices' hardware numbers, read under each device's lock in turn: for handlers that
// need another device's number while they hold one device's lock.
std::vector<uint8_t> hw_numbers();
// The local device with this hardware number in such a list (0xFF: none).
uint8_t device_of_hw(const std::vector<uint8_t>& hw, uint8_t hw_num);

// Runs fn(device, port) for the front port in word 0.
template <typename Fn>
bool on_front(void* msg, Fn fn) {
    uint32_t front;
    uint8_t dev, port;
    if (!word(msg, 0, &front) || !front_port(front, &dev, &port)) return answer(msg, false);
    return fn(dev, port);
}

// Runs fn(device) under its lock for the device number in a request; false for a device the
// model does not have.
template <typename Fn>
bool on_dev(uint32_t dev, Fn fn);

}  // namespace chipsim

#include "sdk/chipsim/core/model.h"

template <typename Fn>
bool chipsim::on_dev(uint32_t dev, Fn fn) {
    return dev <= 0xFF && on_device(static_cast<uint8_t>(dev), false, [&](Locked d) {
               fn(d);
               return true;
           });
}
