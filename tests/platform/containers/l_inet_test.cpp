#include "platform/containers/l_inet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Text -> address -> text through the callers' 55-byte buffers.
std::string round_trip(const char* text) {
    L_INET_AddrIp_T addr;
    if (!L_INET_Aton(text, &addr)) return "<bad>";
    EXPECT_EQ(addr.addrlen, addr.type == L_INET_AF_INET ? 4u : 16u);
    char buf[55];
    EXPECT_TRUE(L_INET_Ntop(addr.type, addr.addr, buf, sizeof(buf)));
    return buf;
}

TEST(LInet, RoundTripsWriteTheCompressedForm) {
    EXPECT_EQ(round_trip("224.0.0.1"), "224.0.0.1");
    EXPECT_EQ(round_trip("255.255.255.255"), "255.255.255.255");
    EXPECT_EQ(round_trip("::"), "::");
    EXPECT_EQ(round_trip("FF0E:0000:0000:0000:0000:0000:0000:0101"), "ff0e::101");
    EXPECT_EQ(round_trip("2001:db8:0:0:1:0:0:1"), "2001:db8::1:0:0:1");
    EXPECT_EQ(round_trip("1:2:3:4:5:6:7:8"), "1:2:3:4:5:6:7:8");
    EXPECT_EQ(round_trip("::ffff:10.1.2.3"), "::ffff:10.1.2.3");
    L_INET_AddrIp_T addr;
    ASSERT_TRUE(L_INET_Aton("10.1.2.3", &addr));
    const uint8_t v4[16] = {10, 1, 2, 3};
    EXPECT_EQ(addr.type, L_INET_AF_INET);
    EXPECT_EQ(std::memcmp(addr.addr, v4, 16), 0);  // network order, the rest zero

    uint8_t group[16] = {0xFF, 0x15};  // a group as the multicast layer holds it
    group[15] = 0x42;
    char buf[55];
    ASSERT_TRUE(L_INET_Ntop(L_INET_AF_INET6, group, buf, sizeof(buf)));
    EXPECT_STREQ(buf, "ff15::42");
}

TEST(LInet, BadTextFamiliesAndBuffersAreRefused) {
    for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", " 1.2.3.4", "a.b.c.d", "1::2::3",
                            "12345::1", "1:2:3:4:5:6:7:8:9", "ff02::1/64", "fe80::1%eth0"}) {
        L_INET_AddrIp_T addr;
        std::memset(&addr, 0xAA, sizeof(addr));
        EXPECT_FALSE(L_INET_Aton(bad, &addr)) << bad;
        EXPECT_EQ(addr.type, 0u) << bad;
    }
    L_INET_AddrIp_T addr;
    EXPECT_FALSE(L_INET_Aton(nullptr, &addr));

    // Eight full groups need 39 characters and the terminating zero.
    uint8_t full[16];
    std::memset(full, 0xAB, sizeof(full));
    char buf[40];
    EXPECT_TRUE(L_INET_Ntop(L_INET_AF_INET6, full, buf, 40));
    EXPECT_STREQ(buf, "abab:abab:abab:abab:abab:abab:abab:abab");
    EXPECT_FALSE(L_INET_Ntop(L_INET_AF_INET6, full, buf, 39));
    EXPECT_STREQ(buf, "");
    strcpy(buf, "x");
    EXPECT_FALSE(L_INET_Ntop(7, full, buf, sizeof(buf)));
    EXPECT_STREQ(buf, "");
    EXPECT_FALSE(L_INET_Ntop(L_INET_AF_INET, nullptr, buf, sizeof(buf)));
}

}  // namespace
