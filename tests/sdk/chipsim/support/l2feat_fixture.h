// Front ports 1 to 6 untagged in one VLAN, with helpers that make trunks, point addresses at
// them, take links down and send a thousand flows: the fixture of the trunk, storm-control and
// mirroring tests of the pipeline.
#pragma once

#include <gtest/gtest.h>

#include <map>

#include "sdk/sdk_mirror.h"
#include "sdk/sdk_ratelimit.h"
#include "sdk/sdk_storm.h"
#include "sdk/sdk_trunk.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

class L2FeatPipelineTest : public PipelineTest {
  protected:
    static constexpr uint16_t kVid = 1;
    static constexpr uint16_t kTrunk = 5;

    void SetUp() override {
        PipelineTest::SetUp();
        vlan(kVid, {1, 2, 3, 4, 5, 6});
        for (uint32_t f = 1; f <= 6; ++f)
            pvid(f, kVid);
    }
    static SDK_TRUNK_MEMBER member(uint32_t front) {
        return {dp(front), chipsim::hw_dev_num(at(front).first)};
    }
    static void trunk(uint16_t id, std::initializer_list<uint32_t> fronts) {
        std::vector<SDK_TRUNK_MEMBER> m;
        for (uint32_t f : fronts)
            m.push_back(member(f));
        ASSERT_EQ(sdkTrunkMembersSet(0, id, static_cast<uint32_t>(m.size()), m.data(), 0, nullptr),
                  SDK_OK);
    }
    static void fdb_trunk(const frames::Mac& m, uint16_t id) {
        SDK_MAC_ENTRY_EXT e{};
        std::copy(m.begin(), m.end(), e.key.macVlan.macAddr);
        e.key.macVlan.vlanId = kVid;
        e.dstInterface.type = SDK_INTERFACE_TRUNK;
        e.dstInterface.trunkId = id;
        e.isStatic = true;
        ASSERT_EQ(sdkBrgFdbMacEntrySet(0, &e), SDK_OK);
    }
    static void link(uint32_t front, bool up) {
        chipsim::Partner p;
        p.present = up;
        ASSERT_TRUE(chipsim::set_partner(at(front).first, dp(front), p));
    }
    // 1000 flows (source MACs) to the trunk's address from port 1: frames out of each port.
    static std::map<uint32_t, uint32_t> spread(const frames::Mac& dst) {
        std::map<uint32_t, uint32_t> out;
        for (uint32_t i = 0; i < 1000; ++i) {
            frames::Mac src = {0x02, 0x10, 0, static_cast<uint8_t>(i >> 8), static_cast<uint8_t>(i),
                               0x01};
            auto r = inject(1, frames::untagged(dst, src));
            for (uint32_t p : out_ports(r))
                ++out[p];
        }
        return out;
    }
};
