// The simulation-control commands of attachments, and the board's tap and wire lines.
#include "platform/console/console.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/core/simctl_util.h"
#include "sdk/chipsim/tap/tap.h"
#include "sdk/simproto/attach_records.h"

namespace chipsim {
namespace {

sc::AttachResult result(bool ok, const AttachInfo& i, const std::string& message) {
    sc::AttachResult r;
    r.ok = ok;
    r.kind = static_cast<uint32_t>(i.settings.kind);
    r.peer_instance = i.settings.peer_instance;
    r.peer_port = i.settings.peer_port;
    r.name = i.name;
    r.message = message;
    return r;
}

// A refusal is answered as done with the reason in the record, so tools can say why.
bool attach_cmd(void* msg) {
    sc::AttachRequest rq;
    if (!sc::decode(ipcmsg::payload(msg), ipcmsg::msg_size(msg), &rq)) return answer(msg, false);
    AttachSettings settings;
    settings.front = rq.port;
    settings.kind = static_cast<AttachKind>(rq.kind & 0xFF);
    settings.ifname = rq.ifname;
    settings.netns = rq.netns;
    settings.peer_instance = rq.peer_instance;
    settings.peer_port = rq.peer_port;
    AttachInfo i;
    i.settings = settings;
    std::string error;
    if (rq.kind > 0xFF || !attach_port(settings, &i, &error)) {
        CONSOLE_Printf("SIM_CONTROL: port %u not attached: %s\r\n", rq.port, error.c_str());
        return reply(msg, result(false, i, error));
    }
    return reply(msg, result(true, i, ""));
}

bool detach_cmd(void* msg) {
    AttachInfo was;
    std::string error;
    const uint32_t front = word(msg, 0);
    if (!detach_port(front, &was, &error)) {
        CONSOLE_Printf("SIM_CONTROL: port %u not detached: %s\r\n", front, error.c_str());
        return reply(msg, result(false, was, error));
    }
    return reply(msg, result(true, was, ""));
}

bool attachments_cmd(void* msg) {
    sc::List<sc::AttachmentRecord> list;
    for (const AttachInfo& i : attachments()) {
        sc::AttachmentRecord r;
        r.front = static_cast<uint8_t>(i.settings.front);
        r.kind = static_cast<uint8_t>(i.settings.kind);
        r.link_up = i.link_up;
        r.peer_instance = i.settings.peer_instance;
        r.peer_port = i.settings.peer_port;
        r.rx_frames = i.rx_frames;
        r.tx_frames = i.tx_frames;
        r.tx_dropped = i.tx_dropped;
        r.name = i.name;
        r.netns = i.settings.netns;
        list.add(r);
    }
    return reply(msg, list);
}

}  // namespace

void attach_board_ports() {
    const board::Unit* u = model().unit;
    if (!u) return;
    for (const board::PortAttach& b : u->attach) {
        AttachSettings settings;
        settings.front = b.front;
        settings.kind = b.wire ? AttachKind::kWire : AttachKind::kTap;
        settings.ifname = b.ifname;
        settings.netns = b.netns;
        settings.peer_instance = b.peer_instance;
        settings.peer_port = b.peer_port;
        // The other instance may come up later: the wire's link comes up when it does.
        settings.peer_may_wait = true;
        std::string error;
        if (!attach_port(settings, nullptr, &error))
            CONSOLE_Printf("driver_proc: port %u of the board not attached: %s\r\n", b.front,
                           error.c_str());
    }
}

void register_tap_simctl() {
    simctl_register(sc::kAttach, attach_cmd);
    simctl_register(sc::kDetach, detach_cmd);
    simctl_register(sc::kAttachments, attachments_cmd);
}

}  // namespace chipsim
