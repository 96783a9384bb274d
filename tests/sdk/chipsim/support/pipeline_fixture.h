// A fresh chip model of the default board per test, brought up by the SDK, with helpers that
// program VLANs and ports the way the drivers do and inject frames at front ports.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "sdk/chipsim/chipsim.h"
#include "sdk/sdk.h"
#include "sdk/sdk_cscd.h"
#include "sdk/sdk_stp.h"
#include "sdk/sdk_trap.h"
#include "sdk/sdk_vlan.h"
#include "tests/support/boards.h"
#include "tests/support/frames.h"

class PipelineTest : public ::testing::Test {
  protected:
    void SetUp() override { bring_up(board::default_board()); }
    void TearDown() override { chipsim::clear_faults(); }

    void bring_up(const board::Description& b) {
        chipsim::reset(b);
        ASSERT_EQ(sdkOsLayerInit(), SDK_OK);
        ASSERT_EQ(sdkSystemInit(SDK_BOARD_IDX_VIRTUAL, 2, 0), SDK_OK);
        // As the driver's cascade update does: each device reaches the other over the internal
        // link (a link numbered by the device map's size).
        if (b.my().devices.size() == 2) {
            for (uint8_t dev = 0; dev < 2; ++dev)
                link_to_device(dev, chipsim::hw_dev_num(1 - dev), kInternalLink);
        }
    }
    static constexpr uint32_t kInternalLink = 32;  // the device map's size
    static void link_to_device(uint8_t dev, uint8_t target, uint32_t link) {
        SDK_CSCD_LINK l{link, SDK_CSCD_LINK_TYPE_PORT};
        ASSERT_EQ(sdkCscdDevMapTableSet(dev, target, &l, false), SDK_OK);
    }

    static std::pair<uint8_t, uint8_t> at(uint32_t front) {
        uint8_t dev = 0, port = 0;
        EXPECT_TRUE(chipsim::front_port(front, &dev, &port));
        return {dev, port};
    }
    static uint8_t dp(uint32_t front) { return at(front).second; }

    // A VLAN on device dev with these front ports untagged and tagged (learning on, group 0,
    // flooding to all members).
    static void vlan(uint16_t vid, std::initializer_list<uint32_t> untagged,
                     std::initializer_list<uint32_t> tagged = {}, uint8_t dev = 0,
                     std::initializer_list<uint8_t> tagged_dev_ports = {}) {
        SDK_PORTS_BMP members{}, tag{};
        auto add = [&](uint8_t p, bool t) {
            members.ports[p / 32] |= 1u << (p % 32);
            if (t) tag.ports[p / 32] |= 1u << (p % 32);
        };
        for (uint32_t f : untagged)
            if (at(f).first == dev) add(dp(f), false);
        for (uint32_t f : tagged)
            if (at(f).first == dev) add(dp(f), true);
        for (uint8_t p : tagged_dev_ports)
            add(p, true);
        SDK_BRG_VLAN_INFO info{};
        info.learnEnable = 1;
        info.naToCpuEnable = 1;
        info.floodVidx = SDK_VLAN_FLOOD_ALL;
        ASSERT_EQ(sdkBrgVlanEntryWrite(dev, vid, &members, &tag, &info, nullptr), SDK_OK);
    }
    static void pvid(uint32_t front, uint16_t vid) {
        ASSERT_EQ(sdkBrgVlanPortVidSet(at(front).first, dp(front), vid), SDK_OK);
    }
    static void stp(uint32_t front, uint32_t state, uint32_t group = 0) {
        ASSERT_EQ(sdkBrgStpStateSet(at(front).first, dp(front), group, state), SDK_OK);
    }

    static chipsim::Injected inject(uint32_t front, const frames::Bytes& b) {
        return chipsim::inject(at(front).first, dp(front), b);
    }
    static chipsim::Injected inject(uint32_t front, const frames::Frame& f) {
        return inject(front, f.bytes());
    }
    // Front ports a frame left by, in increasing order.
    static std::vector<uint32_t> out_ports(const chipsim::Injected& r) {
        std::vector<uint32_t> ports;
        for (const chipsim::FrameCopy& c : r.sent)
            for (uint32_t f = 1; f <= 16; ++f)
                if (at(f) == std::make_pair(c.dev, c.port)) ports.push_back(f);
        std::sort(ports.begin(), ports.end());
        return ports;
    }
    static const chipsim::FrameCopy* copy_on(const chipsim::Injected& r, uint32_t front) {
        for (const chipsim::FrameCopy& c : r.sent)
            if (at(front) == std::make_pair(c.dev, c.port)) return &c;
        return nullptr;
    }
    static uint64_t drops(uint32_t front, chipsim::Drop why) {
        return chipsim::port_counters(at(front).first, dp(front)).drops[static_cast<uint32_t>(why)];
    }
    static uint32_t fdb_entries(uint8_t dev = 0) { return chipsim::fdb_stats(dev).entries; }
    // Where the table sends (MAC, VLAN): the device port, or -1 when it holds no entry.
    static int fdb_port(const frames::Mac& m, uint16_t vid, uint8_t dev = 0) {
        SDK_MAC_ENTRY_KEY k{};
        std::copy(m.begin(), m.end(), k.macVlan.macAddr);
        k.macVlan.vlanId = vid;
        uint32_t index;
        SDK_MAC_ENTRY_EXT e;
        if (sdkBrgFdbMacEntryFind(dev, &k, &index, &e) != SDK_OK) return -1;
        return e.dstInterface.devPort.portNum;
    }
};
