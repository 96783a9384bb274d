// Binding front ports to the host: `port attach PORT tap ...`, `port attach PORT wire
// INSTANCE:PORT` (both ends, in this instance and the other), `port detach PORT`,
// `port attached`.
#include <cinttypes>
#include <functional>

#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "sdk/simproto/attach_records.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tools/drvctl/commands.h"

namespace drvctl {
namespace {

namespace sp = simproto;

const char* const kUsage =
    "port attach PORT tap [--name IFNAME] [--netns NAME] | port attach PORT wire INSTANCE:PORT "
    "| port detach PORT | port attached";

// Runs fn against another instance's daemon, then comes back to this one.
int in_instance(int id, const std::function<int()>& fn) {
    const int own = instance::id();
    if (id == own) return fn();
    ctl::detach(false);
    instance::set_id(id);
    int rc = fn();
    ctl::detach(false);
    instance::set_id(own);
    return rc;
}

// Sends ATTACH or DETACH and prints the daemon's reason for a refusal.
int attach_request(Args& args, uint16_t cmd, const sp::Bytes& payload, sp::AttachResult* r) {
    Response resp;
    if (int rc = sim_request_bytes(args, cmd, payload, &resp)) return rc;
    if (int rc = read_reply(resp, r)) return rc;
    if (r->ok) return kExitOk;
    std::fprintf(stderr, "drvctl: instance %d: %s\n", instance::id(), r->message.c_str());
    return kExitFailed;
}

int attach(Args& args, const sp::AttachRequest& rq, sp::AttachResult* r) {
    return attach_request(args, sp::kAttach, sp::encode(rq), r);
}

int detach(Args& args, uint32_t port, sp::AttachResult* r) {
    return attach_request(args, sp::kDetach, words_payload({port}), r);
}

bool parse_peer(const std::string& text, uint32_t* inst, uint32_t* port) {
    const size_t colon = text.find(':');
    int id = 0;
    return colon != std::string::npos && instance::parse_id(text.substr(0, colon).c_str(), &id) &&
           parse_u32(text.substr(colon + 1), port) && (*inst = static_cast<uint32_t>(id), true);
}

int attach_wire(Args& args, uint32_t port, const std::string& peer_text) {
    sp::AttachRequest here, there;
    if (!parse_peer(peer_text, &here.peer_instance, &here.peer_port))
        return usage_error("wire INSTANCE:PORT, e.g. wire 1:2");
    const int own = instance::id(), peer = static_cast<int>(here.peer_instance);
    here.port = port;
    here.kind = there.kind = sp::kAttachWire;
    there.port = here.peer_port;
    there.peer_instance = static_cast<uint32_t>(own);
    there.peer_port = port;
    sp::AttachResult r;
    // The far end first: when it is refused (or its instance does not run) nothing changes.
    if (peer != own) {
        int rc = in_instance(peer, [&] {
            if (!ctl::attach()) {
                std::fprintf(stderr, "drvctl: instance %d is not running\n", peer);
                return kExitFailed;
            }
            return attach(args, there, &r);
        });
        if (rc) return rc;
    } else if (int rc = attach(args, there, &r)) {
        return rc;
    }
    if (int rc = attach(args, here, &r)) {
        sp::AttachResult undo;
        in_instance(peer, [&] { return detach(args, there.port, &undo); });
        return rc;
    }
    std::printf("port %u wired to instance %d port %u\n", port, peer, here.peer_port);
    return kExitOk;
}

int attach_tap(Args& args, uint32_t port, size_t first_option) {
    const auto& w = args.words;
    sp::AttachRequest rq;
    rq.port = port;
    rq.kind = sp::kAttachTap;
    for (size_t i = first_option; i < w.size(); i += 2) {
        if (i + 1 >= w.size() || (w[i] != "--name" && w[i] != "--netns"))
            return usage_error(kUsage);
        (w[i] == "--name" ? rq.ifname : rq.netns) = w[i + 1];
    }
    sp::AttachResult r;
    if (int rc = attach(args, rq, &r)) return rc;
    std::printf("port %u attached to %s%s%s\n", port, r.name.c_str(),
                rq.netns.empty() ? "" : " in network namespace ", rq.netns.c_str());
    return kExitOk;
}

int list(Args& args) {
    Response resp;
    if (int rc = sim_request(args, sp::kAttachments, {}, &resp)) return rc;
    sp::List<sp::AttachmentRecord> l;
    if (int rc = read_reply(resp, &l)) return rc;
    std::printf("%-5s %-5s %-24s %-5s %12s %12s %10s\n", "port", "kind", "bound to", "link", "rx",
                "tx", "tx-lost");
    for (const sp::AttachmentRecord& a : l.items) {
        std::string to = a.kind == sp::kAttachWire
                             ? "instance " + std::to_string(a.peer_instance) + " port " +
                                   std::to_string(a.peer_port)
                             : a.name + (a.netns.empty() ? "" : "@" + a.netns);
        std::printf("%-5u %-5s %-24s %-5s %12" PRIu64 " %12" PRIu64 " %10" PRIu64 "\n", a.front,
                    a.kind == sp::kAttachWire ? "wire" : "tap", to.c_str(),
                    a.link_up ? "up" : "down", a.rx_frames, a.tx_frames, a.tx_dropped);
    }
    return kExitOk;
}

}  // namespace

int cmd_port_attach(Args& args) {
    const auto& w = args.words;
    if (w[0] == "attached") return w.size() == 1 ? list(args) : usage_error(kUsage);
    uint32_t port = 0;
    if (w.size() < 2 || !parse_u32(w[1], &port) || port == 0 || port > 0xFF)
        return usage_error(kUsage);
    if (w[0] == "detach") {
        if (w.size() != 2) return usage_error(kUsage);
        sp::AttachResult r;
        if (int rc = detach(args, port, &r)) return rc;
        if (r.kind == sp::kAttachWire) {
            // The far end goes too, when its instance still runs.
            sp::AttachResult far;
            in_instance(static_cast<int>(r.peer_instance),
                        [&] { return ctl::attach() ? detach(args, r.peer_port, &far) : kExitOk; });
        }
        std::printf("port %u detached\n", port);
        return kExitOk;
    }
    if (w.size() >= 3 && w[2] == "tap") return attach_tap(args, port, 3);
    if (w.size() == 4 && w[2] == "wire") return attach_wire(args, port, w[3]);
    return usage_error(kUsage);
}

}  // namespace drvctl
