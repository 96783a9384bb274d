// The sanity checks act on IPv4 unicast between known hosts as they do on multicast: the
// frame's IP header is read whenever a check is enabled, whatever the traps want, and a
// flow that fails a check is dropped every time, never forwarded from a remembered decision.
#include <gtest/gtest.h>

#include "sdk/chipsim/chipsim.h"
#include "sdk/sdk_secur.h"
#include "tests/sdk/chipsim/support/pipeline_fixture.h"

namespace {

using namespace frames;

// IPv4 from host 1 to host 2: a header of 20 bytes (protocol, fragment word), then 20 bytes
// of the upper layer with TCP's flags at offset 13.
Bytes ipv4(uint8_t proto, uint16_t frag, uint8_t tcp_flags = 0x02) {
    Frame f = untagged(mac(2), mac(1));
    f.type = 0x0800;
    const uint8_t hi = static_cast<uint8_t>(frag >> 8), lo = static_cast<uint8_t>(frag);
    f.payload = {0x45, 0, 0, 40,   0,    0, hi, lo, 64, proto, 0, 0, 10, 0, 0, 1, 10,
                 0,    0, 2, 0x30, 0x39, 0, 80, 0,  0,  0,     0, 0, 0,  0, 0, 0, tcp_flags};
    return f.bytes();
}

TEST_F(PipelineTest, SanityChecksDropUnicastBetweenKnownHostsEveryTime) {
    vlan(1, {1, 2});
    inject(1, untagged(kBroadcast, mac(1)));
    inject(2, untagged(kBroadcast, mac(2)));
    ASSERT_EQ(out_ports(inject(1, ipv4(1, 0x2000))), std::vector<uint32_t>{2});  // no check on
    ASSERT_EQ(sdkSecProtSanityCheckSet(0, SDK_SANITY_ICMP_FRAG, true), SDK_OK);
    ASSERT_EQ(sdkSecProtSanityCheckSet(0, SDK_SANITY_TCP_SYN_FIN, true), SDK_OK);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(inject(1, ipv4(1, 0x2000)).drop, chipsim::Drop::kSanity);     // ICMP fragment
        EXPECT_EQ(inject(1, ipv4(6, 0, 0x03)).drop, chipsim::Drop::kSanity);    // SYN+FIN
        EXPECT_EQ(out_ports(inject(1, ipv4(1, 0))), std::vector<uint32_t>{2});  // whole ICMP
        EXPECT_EQ(out_ports(inject(1, ipv4(6, 0, 0x02))), std::vector<uint32_t>{2});  // SYN
    }
    EXPECT_EQ(drops(1, chipsim::Drop::kSanity), 6u);
}

}  // namespace
