// The running daemon with front ports 1 to 6 up and untagged in VLAN 10, programmed with
// drvctl, frames injected over the simulation-control queue: the fixture of the trunk,
// storm-control and mirroring end-to-end tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "platform/simctl/simctl.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/support/daemon.h"
#include "tests/support/frames.h"

namespace l2feat_e2e {

namespace sc = simproto;
using namespace frames;
using testing_support::Daemon;
using testing_support::Reply;

class L2FeatSwitch : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(d.start(), 0);
        // Ports 1-6 up and untagged in VLAN 10.
        run({"vlan", "create", "10"});
        for (const char* p : {"1", "2", "3", "4", "5", "6"}) {
            run({"port", "enable", p});
            run({"vlan", "add", "10", p, "untagged"});
            run({"vlan", "pvid", p, "10"});
        }
    }
    void run(const std::vector<std::string>& args, std::string* out = nullptr) {
        std::string text;
        ASSERT_EQ(d.drvctl(args, &text), 0) << args[0] << " " << args[1] << ": " << text;
        if (out) *out = text;
    }
    // The front ports a frame left by, in increasing order (empty when it went nowhere or was
    // not answered).
    std::vector<uint8_t> inject(uint32_t port, const Bytes& frame) {
        Bytes payload = sc::encode(sc::InjectRequest{port, static_cast<uint32_t>(frame.size())});
        payload.insert(payload.end(), frame.begin(), frame.end());
        Reply r = d.request_bytes(simctl::kQueueKey, sc::kInject, payload);
        sc::InjectResult res;
        if (!r.answered || r.result() != 1 || r.payload.size() < 4 ||
            !sc::decode(r.payload.data() + 4, r.payload.size() - 4, &res))
            return {};
        std::sort(res.ports.begin(), res.ports.end());
        return res.ports;
    }
    // Plugs the port's link partner in or out, keeping its abilities.
    void link(uint32_t port, bool up) {
        Reply got = d.request(simctl::kQueueKey, sc::kPartnerGet, {port});
        sc::PartnerRequest req;
        req.port = port;
        ASSERT_EQ(got.result(), 1);
        ASSERT_TRUE(sc::decode(got.payload.data() + 4, got.payload.size() - 4, &req.partner));
        req.partner.present = up;
        ASSERT_EQ(d.request_bytes(simctl::kQueueKey, sc::kPartner, sc::encode(req)).result(), 1);
    }
    std::map<uint32_t, uint32_t> flows_to(const Mac& dst) {
        std::map<uint32_t, uint32_t> out;
        for (uint32_t i = 0; i < 1000; ++i) {
            Mac src = {0x02, 0x20, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i), 1};
            for (uint8_t p : inject(1, untagged(dst, src).bytes()))
                ++out[p];
        }
        return out;
    }
    Daemon d;
};

}  // namespace l2feat_e2e
