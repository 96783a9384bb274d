// VLANs and spanning tree. Every change is one module-119 request to the switch chip driver,
// the bytes `drvctl raw 119 ...` would send; the views read the chip model over the
// simulation-control queue.
#include <cstdio>
#include <map>
#include <string>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/simctl/simctl.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tools/drvctl/commands.h"
#include "tools/drvctl/swdrv_client.h"

namespace drvctl {
namespace {

namespace cmd = swdrv::subcmd;
namespace sc = simproto;

// Chip values, for the views.
const char* const kAccept[] = {"tagged", "all", "untagged"};
const char* const kChipStates[] = {"disabled", "blocking", "learning", "forwarding"};

struct VlanView {
    uint32_t group = 0;
    DevicePorts untagged, tagged;
};

int vlan_show(Args& args, uint32_t only) {
    FrontPorts fronts;
    if (int rc = front_ports(args, &fronts)) return rc;
    std::map<uint32_t, VlanView> vlans;
    // Devices from 0 until the simulation knows no more.
    for (uint32_t dev = 0;; ++dev) {
        uint32_t next = 0;
        bool known = true;
        do {
            Response resp;
            if (int rc = request(simctl::kQueueKey, sc::kVlans, words_payload({dev, next}),
                                 args.timeout_ms, &resp))
                return rc;
            known = resp.result() == 1;
            if (!known) break;
            sc::VlansReply reply;
            if (int rc = read_reply(resp, &reply)) return rc;
            next = reply.next;
            for (const sc::VlanRecord& r : reply.items) {
                VlanView& v = vlans[r.vid];
                v.group = r.stp_group;
                v.untagged[dev] = r.member_bits() & ~r.tagged_bits();
                v.tagged[dev] = r.tagged_bits();
            }
        } while (next != 0);
        if (!known) break;
    }
    if (only != 0 && !vlans.count(only)) {
        std::fprintf(stderr, "drvctl: VLAN %u does not exist on the chip\n", only);
        return kExitFailed;
    }
    std::printf("vlan  group  untagged                    tagged\n");
    for (const auto& [vid, v] : vlans) {
        if (only != 0 && vid != only) continue;
        std::printf("%4u  %5u  %-27s %s\n", vid, v.group, port_list(fronts, v.untagged).c_str(),
                    port_list(fronts, v.tagged).c_str());
    }
    return kExitOk;
}

int vlan_ports(Args& args) {
    Response resp;
    if (int rc = sim_request(args, sc::kVlanPorts, {}, &resp)) return rc;
    sc::List<sc::VlanPortRecord> ports;
    if (int rc = read_reply(resp, &ports)) return rc;
    std::printf("port  pvid  accept    filter  tpid    tunnel  priority\n");
    for (const sc::VlanPortRecord& r : ports.items)
        std::printf("%4u  %4u  %-8s  %-6s  0x%04x  %-6s  %u\n", r.front, r.pvid,
                    r.accept < 3 ? kAccept[r.accept] : "?",
                    (r.flags & sc::kVlanPortFlagIngressFilter) ? "on" : "off", r.tpid,
                    (r.flags & sc::kVlanPortFlagTunnelAccess) ? "access" : "-", r.default_up);
    return kExitOk;
}

}  // namespace

int cmd_vlan(Args& args) {
    const auto& w = args.words;
    if (w.empty()) return usage_error("vlan needs an operation");
    const std::string& op = w[0];
    uint32_t vid = 0;
    LogicalPort lp;
    if (op == "show") {
        if (w.size() > 2 || (w.size() == 2 && !parse_vid(w[1], &vid)))
            return usage_error("vlan show [VID]: VID is 1 to 4094");
        return vlan_show(args, vid);
    }
    if (op == "ports") {
        if (w.size() != 1) return usage_error("vlan ports takes no arguments");
        return vlan_ports(args);
    }
    if (op == "create" || op == "destroy") {
        if (w.size() != 2 || !parse_vid(w[1], &vid))
            return usage_error("vlan " + op + " VID: VID is 1 to 4094");
        return swdrv_request(args, {op == "create" ? cmd::kCreateVlan : cmd::kDestroyVlan, vid},
                             op + " VLAN " + w[1]);
    }
    if (op == "add" || op == "remove") {
        bool add = op == "add";
        bool untagged = add && w.size() == 4 && w[3] == "untagged";
        if (w.size() < 3 || w.size() > (add ? 4u : 3u) ||
            (add && w.size() == 4 && w[3] != "tagged" && w[3] != "untagged"))
            return usage_error(
                "vlan add VID PORT|cpu [tagged|untagged] | vlan remove VID PORT|cpu");
        if (!parse_vid(w[1], &vid)) return usage_error("VID is 1 to 4094");
        if (w[2] == "cpu")
            return swdrv_request(args, {add ? cmd::kAddCpuToVlan : cmd::kDeleteCpuFromVlan, vid},
                                 op + " the CPU port");
        if (!parse_port(w[2], &lp)) return usage_error("PORT is 1 to 16, UNIT/PORT or cpu");
        uint32_t sub = !add       ? cmd::kDeletePortVlanSet
                       : untagged ? cmd::kAddPortUntaggedVlanSet
                                  : cmd::kAddPortVlanSet;
        return swdrv_request(args, {sub, lp.unit, lp.port, vid}, op + " port " + w[2]);
    }
    if (op == "pvid") {
        if (w.size() != 3 || !parse_port(w[1], &lp) || !parse_vid(w[2], &vid))
            return usage_error("vlan pvid PORT VID: PORT is 1 to 16 or UNIT/PORT, VID 1 to 4094");
        return swdrv_request(args, {cmd::kSetPortPVID, lp.unit, lp.port, vid}, "set the PVID");
    }
    if (op == "accept") {
        static const std::map<std::string, uint32_t> kinds = {
            {"all", cmd::kAdmitAllFrames},
            {"tagged", cmd::kAdmitOnlyVlanTaggedFrames},
            {"untagged", cmd::kAdmitOnlyVlanUntaggedFrames}};
        if (w.size() != 3 || !parse_port(w[1], &lp) || !kinds.count(w[2]))
            return usage_error("vlan accept PORT all|tagged|untagged");
        return swdrv_request(args, {kinds.at(w[2]), lp.unit, lp.port}, "set the frame types");
    }
    if (op == "filter") {
        if (w.size() != 3 || !parse_port(w[1], &lp) || (w[2] != "on" && w[2] != "off"))
            return usage_error("vlan filter PORT on|off");
        return swdrv_request(args,
                             {w[2] == "on" ? cmd::kEnableIngressFilter : cmd::kDisableIngressFilter,
                              lp.unit, lp.port},
                             "set ingress filtering");
    }
    return usage_error("unknown vlan operation \"" + op + "\"");
}

int cmd_stp(Args& args) {
    const auto& w = args.words;
    if (w.empty()) return usage_error("stp needs an operation");
    const std::string& op = w[0];
    uint32_t instance = 0, vid = 0;
    LogicalPort lp;
    if (op == "mode") {
        if (w.size() != 2 || (w[1] != "single" && w[1] != "multiple"))
            return usage_error("stp mode single|multiple");
        return swdrv_request(args, {cmd::kSetSTAMode, w[1] == "multiple" ? 2u : 1u},
                             "change the spanning-tree mode");
    }
    if (op == "state") {
        // Bridge MIB numbering: 1 disabled .. 5 forwarding.
        static const std::map<std::string, uint32_t> states = {
            {"disabled", 1}, {"blocking", 2}, {"listening", 3}, {"learning", 4}, {"forwarding", 5}};
        if (w.size() != 4 || !parse_u32(w[1], &instance) || instance > 31 ||
            !parse_port(w[2], &lp) || !states.count(w[3]))
            return usage_error(
                "stp state INSTANCE PORT disabled|blocking|listening|learning|forwarding "
                "(INSTANCE 0 to 31)");
        return swdrv_request(
            args, {cmd::kSetPortSTAStateWithMstidx, instance, lp.unit, lp.port, states.at(w[3])},
            "set the port state");
    }
    if (op == "vlan") {
        if (w.size() != 3 || !parse_vid(w[1], &vid) || !parse_u32(w[2], &instance) || instance > 31)
            return usage_error("stp vlan VID INSTANCE (INSTANCE 0 to 31; 0 unbinds)");
        if (instance == 0)
            return swdrv_request(args, {cmd::kDeleteVlanFromSTAWithMstidx, vid}, "unbind the VLAN");
        return swdrv_request(args, {cmd::kAddVlanToSTAWithMstidx, vid, instance}, "bind the VLAN");
    }
    if (op == "show") {
        if (w.size() > 2 || (w.size() == 2 && (!parse_u32(w[1], &instance) || instance > 31)))
            return usage_error("stp show [INSTANCE]: INSTANCE is 0 to 31");
        Response resp;
        if (int rc = sim_request(args, sc::kStpStates, {instance}, &resp)) return rc;
        sc::List<sc::StpRecord> states;
        if (int rc2 = read_reply(resp, &states)) return rc2;
        std::printf("instance %u\nport  state\n", instance);
        for (const sc::StpRecord& r : states.items)
            std::printf("%4u  %s\n", r.front, r.state < 4 ? kChipStates[r.state] : "?");
        return kExitOk;
    }
    return usage_error("unknown stp operation \"" + op + "\"");
}

}  // namespace drvctl
