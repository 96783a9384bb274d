// What the switch chip driver's commands of drvctl share: module-119 requests and the
// parsing of ports and VLAN ids, and the chip's device ports shown as front ports.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/drvctl/drvctl.h"

namespace drvctl {

// A logical port: "PORT" (unit 1) or "UNIT/PORT", ports 1..16, units 1..8.
struct LogicalPort {
    uint32_t unit = 1;
    uint32_t port = 0;
};
bool parse_port(const std::string& text, LogicalPort* out);
// A VLAN id 1..4094.
bool parse_vid(const std::string& text, uint32_t* vid);

// Sends a module-119 request of words on the command's queue. kExitOk when the switch
// answered TRUE; kExitFailed (said on stderr, naming `what`) when it answered FALSE.
int swdrv_request(Args& args, const std::vector<uint32_t>& words, const std::string& what,
                  Response* resp = nullptr);

// The front port behind each (device, device port) of this unit, from the chip model.
using FrontPorts = std::map<std::pair<uint32_t, uint32_t>, uint32_t>;
int front_ports(Args& args, FrontPorts* out);
// Device ports (bit p: port p) by device.
using DevicePorts = std::map<uint32_t, uint64_t>;
// The ports as "1-3,7": front ports by number, the others as "d1/24", the CPU port as "cpu".
std::string port_list(const FrontPorts& fronts, const DevicePorts& ports);

}  // namespace drvctl
