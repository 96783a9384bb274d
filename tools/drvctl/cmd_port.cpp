// Port administration and configuration through module-119 requests (`drvctl ports` shows
// the result on the chip).
#include <map>
#include <string>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "tools/drvctl/commands.h"
#include "tools/drvctl/swdrv_client.h"

namespace drvctl {
namespace {

namespace cmd = swdrv::subcmd;

const char* const kConfigUsage =
    "port config PORT [speed S] [autoneg on|off] [flowctl on|off] [mtu BYTES], S one of "
    "10half|10full|100half|100full|1000half|1000full|10gfull";

}  // namespace

int cmd_port(Args& args) {
    const auto& w = args.words;
    if (!w.empty() && (w[0] == "status" || w[0] == "cable-test")) return cmd_port_status(args);
    if (!w.empty() && (w[0] == "attach" || w[0] == "detach" || w[0] == "attached"))
        return cmd_port_attach(args);
    LogicalPort lp;
    if (w.size() < 2 || !parse_port(w[1], &lp))
        return usage_error("port enable|disable|config PORT ...: PORT is 1 to 16 or UNIT/PORT");
    if ((w[0] == "enable" || w[0] == "disable") && w.size() == 2)
        return swdrv_request(
            args,
            {w[0] == "enable" ? cmd::kEnablePortAdmin : cmd::kDisablePortAdmin, lp.unit, lp.port},
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
            requests.push_back({{cmd::kSetPortCfgSpeedDuplex, lp.unit, lp.port, speeds.at(value)},
                                "set the speed"});
        else if (key == "autoneg" && (on || value == "off"))
            requests.push_back(
                {{on ? cmd::kEnablePortAutoNeg : cmd::kDisablePortAutoNeg, lp.unit, lp.port},
                 "set auto-negotiation"});
        else if (key == "flowctl" && (on || value == "off"))
            requests.push_back({{on ? cmd::kEnablePortCfgFlowCtrl : cmd::kDisablePortCfgFlowCtrl,
                                 lp.unit, lp.port},
                                "set flow control"});
        else if (key == "mtu" && parse_u32(value, &mtu) && mtu >= 64 && mtu <= 16382)
            requests.push_back({{cmd::kSetPortMTU, lp.unit, lp.port, mtu}, "set the MTU"});
        else
            return usage_error(kConfigUsage);
    }
    for (const auto& [words, what] : requests)
        if (int rc = swdrv_request(args, words, what)) return rc;
    return kExitOk;
}

}  // namespace drvctl
