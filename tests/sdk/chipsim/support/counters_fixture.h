// The switch brought up in this process with front ports 1 to 3 in VLAN 1, untagged, and
// the MAC counters of front ports read from the chip model.
#pragma once

#include "sdk/chipsim/core/pipeline.h"
#include "sdk/sdk_counters.h"
#include "tests/drivers/swdrv/swdrv_fixture.h"
#include "tests/support/frames.h"

class CountersTest : public SwdrvTest {
  protected:
    void SetUp() override {
        SwdrvTest::SetUp();
        for (uint32_t p : {1u, 2u, 3u})
            ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, p));
        ASSERT_TRUE(DEV_SWDRV_CreateVlan(1));
        for (uint32_t p : {1u, 2u, 3u})
            ASSERT_TRUE(DEV_SWDRV_AddPortUntaggedVlanSet(1, p, 1));
    }
    static uint64_t count(uint32_t front, SDK_MAC_COUNTER c) {
        return chipsim::mac_counter(at(front).first, dp(front), c);
    }
    static void set(uint32_t front, SDK_MAC_COUNTER c, uint64_t v) {
        ASSERT_TRUE(chipsim::set_mac_counter(at(front).first, dp(front), c, v));
    }
    // A frame enters a front port, with a good or a bad FCS.
    static chipsim::Result receive(uint32_t front, const frames::Bytes& f, bool bad_fcs = false) {
        chipsim::Result r;
        EXPECT_TRUE(chipsim::receive(at(front).first, dp(front), f.data(),
                                     static_cast<uint32_t>(f.size()), &r, bad_fcs));
        return r;
    }
    static frames::Frame of_kind(char kind, uint32_t len) {
        frames::Mac dst = kind == 'b'   ? frames::kBroadcast
                          : kind == 'm' ? frames::Mac{0x01, 0x00, 0x5E, 0x00, 0x00, 0x07}
                                        : frames::mac(9);
        return frames::untagged(dst, frames::mac(1), len);
    }
};
