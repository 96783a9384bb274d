// Port administration and configuration through module-119 requests (`drvctl ports` shows
// the result on the chip).
#include <map>
#include <string>

#include "tools/drvctl/commands.h"
#include "tools/drvctl/swdrv_client.h"

namespace drvctl {
namespace {

// Sub-commands of module 119.
constexpr uint32_t kEnablePort = 12;
constexpr uint32_t kDisablePort = 13;
constexpr uint32_t kSpeedDuplex = 15;
constexpr uint32_t kEnableAutoNeg = 16;
constexpr uint32_t kDisableAutoNeg = 17;
constexpr uint32_t kEnableFlowCtrl = 18;
constexpr uint32_t kDisableFlowCtrl = 19;
constexpr uint32_t kPortMtu = 49;

const char* const kConfigUsage =
    "port config PORT [speed S] [autoneg on|off] [flowctl on|off] [mtu BYTES], S one of "
    "10half|10full|100half|100full|1000half|1000full|10gfull";

}  // namespace

int cmd_port(Args& args) {
    const auto& w = args.words;
    LogicalPort lp;
    if (w.size() < 2 || !parse_port(w[1], &lp))
        return usage_error("port enable|disable|config PORT ...: PORT is 1 to 16 or UNIT/PORT");
    if ((w[0] == "enable" || w[0] == "disable") && w.size() == 2)
        return swdrv_request(args,
                             {w[0] == "enable" ? kEnablePort : kDisablePort, lp.unit, lp.port},
                             w[0] + " port " + w[1]);
    if (w[0] != "config" || w.size() < 4 || w.size() % 2 != 0) return usage_error(kConfigUsage);
    // Every setting is checked before the first request goes out.
    static const std::map<std::string, uint32_t> speeds = {
        {"10half", 2},   {"10full", 3},   {"100half", 4}, {"100full", 5},
        {"1000half", 6}, {"1000full", 7}, {"10gfull", 9}};
    std::vector<std::pair<std::vector<uint32_t>, std::string>> requests;
    for (size_t i = 2; i < w.size(); i += 2) {
        const std::string &key = w[i], &value = w[i + 1];
        bool on = value == "on";
        uint32_t mtu = 0;
        if (key == "speed" && speeds.count(value))
            requests.push_back(
                {{kSpeedDuplex, lp.unit, lp.port, speeds.at(value)}, "set the speed"});
        else if (key == "autoneg" && (on || value == "off"))
            requests.push_back({{on ? kEnableAutoNeg : kDisableAutoNeg, lp.unit, lp.port},
                                "set auto-negotiation"});
        else if (key == "flowctl" && (on || value == "off"))
            requests.push_back(
                {{on ? kEnableFlowCtrl : kDisableFlowCtrl, lp.unit, lp.port}, "set flow control"});
        else if (key == "mtu" && parse_u32(value, &mtu) && mtu >= 64 && mtu <= 16382)
            requests.push_back({{kPortMtu, lp.unit, lp.port, mtu}, "set the MTU"});
        else
            return usage_error(kConfigUsage);
    }
    for (const auto& [words, what] : requests)
        if (int rc = swdrv_request(args, words, what)) return rc;
    return kExitOk;
}

}  // namespace drvctl
