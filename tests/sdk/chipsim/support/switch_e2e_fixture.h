// The running daemon in a private instance, programmed with module-119 requests, with frames
// injected, captured and counted over the simulation-control queue: the fixture of the chip
// model's end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <fstream>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "sdk/chipsim/capture/capture.h"
#include "sdk/chipsim/core/pipeline.h"
#include "sdk/chipsim/cpu/cpu.h"
#include "sdk/simproto/pcap.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/support/daemon.h"
#include "tests/support/frames.h"

namespace switch_e2e {

namespace sc = simproto;
using chipsim::Drop;
using namespace frames;
using testing_support::Daemon;
using testing_support::Reply;

namespace cmd = swdrv::subcmd;
constexpr uint32_t kUnit = 1;

struct Injection {
    bool answered = false;
    Drop drop = Drop::kNone;
    uint32_t vid = 0, flags = 0, cpu_code = 0;
    std::vector<uint32_t> ports;
    sc::Trace trace;  // when traced
};

class Switch : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(d.start(), 0); }

    void swdrv(std::vector<uint32_t> words) {
        Reply r = d.request(24, cmd::kModule, words);
        ASSERT_TRUE(r.answered);
        ASSERT_EQ(r.result(), 1) << "sub-command " << words[0];
    }
    // Ports 1..3 up, VLAN 10 with port 1 untagged (PVID 10) and port 2 tagged.
    void two_member_vlan() {
        for (uint32_t p : {1u, 2u, 3u})
            swdrv({cmd::kEnablePortAdmin, kUnit, p});
        swdrv({cmd::kCreateVlan, 10});
        swdrv({cmd::kAddPortUntaggedVlanSet, kUnit, 1, 10});
        swdrv({cmd::kAddPortVlanSet, kUnit, 2, 10});
        swdrv({cmd::kSetPortPVID, kUnit, 1, 10});
    }
    Injection inject(uint32_t port, const Bytes& frame, bool traced = false) {
        Bytes payload = sc::encode(sc::InjectRequest{port | (traced ? sc::kInjectTrace : 0),
                                                     static_cast<uint32_t>(frame.size())});
        payload.insert(payload.end(), frame.begin(), frame.end());
        Reply r = d.request_bytes(simctl::kQueueKey, sc::kInject, payload);
        Injection out;
        if (!r.answered || r.result() != 1 || r.payload.size() < 4) return out;
        sc::Decoder dec(r.payload.data() + 4, r.payload.size() - 4);
        sc::InjectResult res;
        if (!sc::decode(dec, &res) || (traced && !sc::decode(dec, &out.trace))) return out;
        EXPECT_EQ(dec.left(), 0u) << "bytes after the injection's answer";
        out.answered = true;
        out.drop = static_cast<Drop>(res.drop);
        out.vid = res.vid;
        out.flags = res.flags;
        out.cpu_code = res.cpu_code;
        out.ports.assign(res.ports.begin(), res.ports.end());
        return out;
    }
    void capture(uint32_t bitmap, uint32_t cpu = 0) {
        ASSERT_EQ(d.request(simctl::kQueueKey, sc::kCaptureStart, {bitmap, cpu}).result(), 1);
    }
    // The captured frames: (front port, bytes).
    std::vector<std::pair<uint8_t, Bytes>> captured() {
        std::vector<std::pair<uint8_t, Bytes>> out;
        for (;;) {
            Reply r = d.request(simctl::kQueueKey, sc::kCaptureRead, {0});
            sc::CaptureStatus status;
            sc::CapturedHeader h;
            if (!r.answered || !sc::decode_reply(r.payload, &status) || status.waiting == 0)
                return out;
            sc::Decoder dec(r.payload.data() + 4, r.payload.size() - 4);
            if (!sc::decode(dec, &status) || !sc::decode(dec, &h)) return out;
            EXPECT_EQ(dec.left(), h.length);
            out.emplace_back(static_cast<uint8_t>(h.front), Bytes(dec.at(), dec.at() + dec.left()));
        }
    }
    uint64_t drops(uint32_t front, Drop why) {
        Reply r = d.request(simctl::kQueueKey, sc::kFrameCounters, {});
        sc::CountersReply counters;
        if (!sc::decode_reply(r.payload, &counters)) return ~uint64_t{0};
        for (const sc::CounterRecord& c : counters.items)
            if (c.front == front) return c.drops.at(static_cast<uint32_t>(why));
        return ~uint64_t{0};
    }
    // The address table: MAC last byte -> front port, for VLAN vid.
    std::map<uint8_t, uint8_t> fdb(uint16_t vid) {
        std::map<uint8_t, uint8_t> out;
        Reply r = d.request(simctl::kQueueKey, sc::kFdbRead, {0, 0});
        sc::FdbReply fdb;
        EXPECT_TRUE(sc::decode_reply(r.payload, &fdb));
        for (const sc::FdbRecord& e : fdb.items)
            if (e.vid == vid) out[e.key[5]] = e.front;
        return out;
    }

    Daemon d;
};

}  // namespace switch_e2e
