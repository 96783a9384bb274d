// The switch chip driver on a fresh chip model, with helpers that read the model's VLAN
// table by front port.
#pragma once

#include "tests/drivers/swdrv/swdrv_fixture.h"

class VlanTest : public SwdrvTest {
  protected:
    static chipsim::VlanEntry entry(uint16_t vid, uint8_t dev = 0) {
        return chipsim::vlan_entry(dev, vid);
    }
    // Whether front port `front` is a member of / tagged in the entry of its device.
    static bool member(uint16_t vid, uint32_t front) {
        auto [dev, port] = at(front);
        return sdkPortsBmpIsMember(chipsim::vlan_entry(dev, vid).members, port);
    }
    static bool tagged(uint16_t vid, uint32_t front) {
        auto [dev, port] = at(front);
        return sdkPortsBmpIsMember(chipsim::vlan_entry(dev, vid).tagged, port);
    }
    static uint8_t tag_cmd(uint16_t vid, uint32_t front) {
        auto [dev, port] = at(front);
        return chipsim::vlan_entry(dev, vid).tag_cmd[port];
    }
    static chipsim::VlanPort vport(uint32_t front) {
        return chipsim::vlan_port(at(front).first, dp(front));
    }
    static SDK_PORTS_BMP ports(std::initializer_list<uint32_t> list) {
        SDK_PORTS_BMP b{};
        for (uint32_t p : list)
            b.ports[p / 32] |= 1u << (p % 32);
        return b;
    }
    // A VLAN list holding the given VLANs.
    static std::vector<uint8_t> vlan_list(std::initializer_list<uint32_t> vids) {
        std::vector<uint8_t> l(DEV_SWDRV_VLAN_LIST_SIZE, 0);
        for (uint32_t v : vids)
            l[v / 8] |= static_cast<uint8_t>(0x80 >> (v % 8));
        return l;
    }
};
