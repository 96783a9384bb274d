#include "tools/drvctl/swdrv_client.h"

#include <cstdio>
#include <set>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/simctl/simctl.h"
#include "sdk/simproto/simctl_cmds.h"

namespace drvctl {
namespace {

constexpr uint32_t kCpuPort = 63;

}  // namespace

bool parse_port(const std::string& text, LogicalPort* out) {
    size_t slash = text.find('/');
    if (slash != std::string::npos &&
        (!parse_u32(text.substr(0, slash), &out->unit) || out->unit < 1 || out->unit > 8))
        return false;
    return parse_u32(text.substr(slash == std::string::npos ? 0 : slash + 1), &out->port) &&
           out->port >= 1 && out->port <= 16;
}

bool parse_vid(const std::string& text, uint32_t* vid) {
    return parse_u32(text, vid) && *vid >= 1 && *vid <= 4094;
}

int swdrv_request(Args& args, const std::vector<uint32_t>& words, const std::string& what,
                  Response* resp) {
    Response local;
    Response* r = resp ? resp : &local;
    int rc =
        request(args.queue_key, swdrv::subcmd::kModule, words_payload(words), args.timeout_ms, r);
    if (rc != kExitOk) return rc;
    if (r->result() != 1) {
        std::fprintf(stderr, "drvctl: the switch refused to %s\n", what.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int front_ports(Args& args, FrontPorts* out) {
    Response resp;
    if (int rc = sim_request(args, simproto::kPorts, {}, &resp)) return rc;
    simproto::List<simproto::PortRecord> ports;
    if (int rc = read_reply(resp, &ports)) return rc;
    for (const simproto::PortRecord& r : ports.items)
        (*out)[{r.device, r.dev_port}] = r.front;
    return kExitOk;
}

std::string port_list(const FrontPorts& fronts, const DevicePorts& ports) {
    std::set<uint32_t> front;
    std::string others;
    bool cpu = false;
    for (const auto& [dev, bits] : ports) {
        for (uint32_t p = 0; p < 64; ++p) {
            if (!((bits >> p) & 1)) continue;
            auto it = fronts.find({dev, p});
            if (it != fronts.end())
                front.insert(it->second);
            else if (p == kCpuPort)
                cpu = true;
            else
                others += ",d" + std::to_string(dev) + "/" + std::to_string(p);
        }
    }
    std::string out;
    for (auto it = front.begin(); it != front.end();) {
        uint32_t first = *it, last = first;
        while (++it != front.end() && *it == last + 1)
            last = *it;
        out += "," + std::to_string(first) + (last > first ? "-" + std::to_string(last) : "");
    }
    out += (cpu ? ",cpu" : "") + others;
    return out.empty() ? "-" : out.substr(1);
}

}  // namespace drvctl
