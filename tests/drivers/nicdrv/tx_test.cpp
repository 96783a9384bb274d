// The transmit path and module 37: send lengths, the one-buffer limit, the event binding,
// port lists with tagged and untagged members, and bad requests.
#include <cstring>

#include "drivers/nicdrv/dev_nicdrv_cmd.h"
#include "platform/sysfun/ipc_msg.h"
#include "tests/drivers/nicdrv/nicdrv_fixture.h"

namespace {

namespace cmd = nicdrv_cmd;

class NicTxTest : public NicdrvTest {
  protected:
    void SetUp() override {
        NicdrvTest::SetUp();
        for (uint32_t p = 1; p <= 3; ++p)
            ASSERT_TRUE(DEV_SWDRV_EnablePortAdmin(1, p));
        for (uint32_t p = 1; p <= 3; ++p) {
            uint8_t dev = 0, port = 0;
            ASSERT_TRUE(chipsim::front_port(p, &dev, &port));
            chipsim::capture_ports(dev, chipsim::capture_ports(dev) | 1ull << port);
        }
    }
    // A packet in the shared pool with its mref.
    struct Pkt {
        uint8_t* data;
        uint32_t len;
        L_MM_Mref_T* mref;
    };
    static Pkt packet(uint32_t len, uint16_t vid = 0) {
        L_MM_Mref_T* m = L_MM_AllocateTxBuffer(len, 0);
        uint32_t n = 0;
        auto* d = static_cast<uint8_t*>(L_MM_Mref_GetPdu(m, &n));
        std::memset(d, 0x5A, len);
        const uint8_t head[12] = {0, 0xaa, 0, 0, 0, 1, 0, 0xbb, 0, 0, 0, 2};
        std::memcpy(d, head, 12);
        if (vid) {
            be::put16(d + 12, 0x8100);
            be::put16(d + 14, static_cast<uint16_t>(0x6000 | vid));  // priority 3
            be::put16(d + 16, 0x0800);
        } else {
            be::put16(d + 12, 0x0800);
        }
        return {d, len, m};
    }
    // What front port `front` sent since the last look at it.
    std::vector<std::vector<uint8_t>> sent(uint32_t front) {
        uint8_t dev = 0, port = 0;
        chipsim::front_port(front, &dev, &port);
        chipsim::CapturedFrame f;
        while (chipsim::take_captured(dev, &f))
            captured_.push_back(f);
        std::vector<std::vector<uint8_t>> out;
        for (auto it = captured_.begin(); it != captured_.end();) {
            if (it->dev == dev && it->port == port) {
                out.push_back(it->bytes);
                it = captured_.erase(it);
            } else {
                ++it;
            }
        }
        return out;
    }
    std::vector<chipsim::CapturedFrame> captured_;
    // A module-37 request; returns the reply's payload.
    static std::vector<uint8_t> request(
        const std::vector<std::pair<uint32_t, uint32_t>>& words,
        const std::vector<std::pair<uint32_t, uint8_t>>& bytes = {}) {
        uint8_t msg[ipcmsg::kHeaderSize + cmd::kRequestSize] = {};
        ipcmsg::set_cmd(msg, cmd::kModule);
        ipcmsg::set_msg_size(msg, cmd::kRequestSize);
        for (auto [off, v] : words)
            be::put32(ipcmsg::payload(msg) + off, v);
        for (auto [off, v] : bytes)
            ipcmsg::payload(msg)[off] = v;
        EXPECT_TRUE(DEV_NICDRV_HandleIPCReqMsg(msg));
        return std::vector<uint8_t>(ipcmsg::payload(msg),
                                    ipcmsg::payload(msg) + ipcmsg::msg_size(msg));
    }
    static uint32_t free_tx() { return sdkPoolFreeBufNumGet(DEV_NICDRV_GATEWAY_TxPool()); }
};

TEST_F(NicTxTest, SendLengthIsThePacketPlusItsCrcAndAtLeast64) {
    struct {
        uint32_t len;
        size_t on_wire;  // without the CRC
    } cases[] = {{20, 60}, {100, 100}, {572, 572}};
    for (auto c : cases) {
        Pkt p = packet(c.len);
        EXPECT_TRUE(DEV_NICDRV_GATEWAY_SendPacketByPort(1, 2, p.data, p.len, p.mref)) << c.len;
        auto out = sent(2);
        ASSERT_EQ(out.size(), 1u) << c.len;
        EXPECT_EQ(out[0].size(), c.on_wire);
        EXPECT_EQ(std::memcmp(out[0].data(), p.data, std::min<size_t>(c.len, 60)), 0);
        EXPECT_FALSE(L_MM_Mref_IsValid(p.mref));
    }
    EXPECT_EQ(DEV_NICDRV_GATEWAY_TxBindCount(), 1u);  // bound on the first send only
    EXPECT_EQ(free_tx(), 128u);
}

TEST_F(NicTxTest, PacketTooBigForOneBufferIsRefusedAndItsMrefReleased) {
    Pkt p = packet(573);
    console::Capture cap;
    EXPECT_FALSE(DEV_NICDRV_GATEWAY_SendPacketByPort(1, 2, p.data, p.len, p.mref));
    EXPECT_FALSE(L_MM_Mref_IsValid(p.mref));
    EXPECT_TRUE(sent(2).empty());
    EXPECT_EQ(free_tx(), 128u);
}

TEST_F(NicTxTest, PortListSendsTaggedAndUntaggedAsTheBitmapsSay) {
    Pkt p = packet(80, 5);
    // Ports 1, 2 and 3 listed, count 2: only the first two found; port 2 untagged.
    auto r = request({{0, cmd::kSendPacketByPortList},
                      {cmd::kListCount, 2},
                      {cmd::kListData, L_IPCMEM_GetOffset(p.data)},
                      {cmd::kListLength, p.len},
                      {cmd::kListMref, L_IPCMEM_GetOffset(p.mref)}},
                     {{cmd::kListPorts, 0xE0}, {cmd::kListUntagged, 0x40}});
    EXPECT_EQ(r[0], 1);
    auto one = sent(1);
    auto two = sent(2);
    ASSERT_EQ(one.size(), 1u);
    ASSERT_EQ(two.size(), 1u);
    EXPECT_TRUE(sent(3).empty());
    EXPECT_EQ(be::get16(one[0].data() + 12), 0x8100);
    EXPECT_EQ(be::get16(one[0].data() + 14), 0x6005);
    EXPECT_EQ(be::get16(two[0].data() + 12), 0x0800);  // tag taken out
    EXPECT_EQ(two[0].size(), 76u);
    EXPECT_FALSE(L_MM_Mref_IsValid(p.mref));
}

TEST_F(NicTxTest, NoResourceOnOnePortStillSendsToTheNext) {
    Pkt p = packet(80, 5);
    chipsim::fail("sdkNetIfSdmaSyncTxPacketSend", SDK_NO_RESOURCE, 1);
    EXPECT_FALSE(DEV_NICDRV_GATEWAY_SendPacketByPortList(2, std::vector<uint8_t>{0xC0, 0, 0}.data(),
                                                         std::vector<uint8_t>{0, 0, 0}.data(),
                                                         p.data, p.len, p.mref));
    EXPECT_TRUE(sent(1).empty());
    EXPECT_EQ(sent(2).size(), 1u);
    EXPECT_EQ(nicdrv::cb().gw.send_no_resource_drop.load(), 1u);
}

TEST_F(NicTxTest, BadRequestsAreRefusedWithoutTouchingMemoryOutsideThePool) {
    Pkt p = packet(64);
    struct {
        uint32_t data, len;
    } bad[] = {{0xFFFFFF00, 64},
               {L_IPCMEM_GetOffset(p.data), 0},
               {L_IPCMEM_GetOffset(p.data), L_IPCMEM_POOL_SIZE}};
    console::Capture cap;
    for (auto b : bad) {
        auto r = request({{0, cmd::kSendPacketByPort},
                          {cmd::kPortUnit, 1},
                          {cmd::kPortPort, 2},
                          {cmd::kPortData, b.data},
                          {cmd::kPortLength, b.len}});
        EXPECT_EQ(r[0], 0);
        EXPECT_EQ(r.size(), 4u);
    }
    EXPECT_EQ(nicdrv::cb().gw.send_unknown_reason_drop.load(), 3u);
    EXPECT_TRUE(sent(2).empty());
    // Unknown code: the word 1.
    auto r = request({{0, 99}});
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(be::get32(r.data()), 1u);
    // Accept-only: TRUE, the mref untouched.
    r = request({{0, cmd::kAcceptOnly}, {cmd::kAcceptMref, L_IPCMEM_GetOffset(p.mref)}});
    EXPECT_EQ(r[0], 1);
    EXPECT_TRUE(L_MM_Mref_IsValid(p.mref));
    // Release-only port list: TRUE, released.
    r = request({{0, cmd::kReleaseByPortList}, {cmd::kListMref, L_IPCMEM_GetOffset(p.mref)}});
    EXPECT_EQ(r[0], 1);
    EXPECT_FALSE(L_MM_Mref_IsValid(p.mref));
}

TEST_F(NicTxTest, IucSendToAnUnknownUnitIsRefusedAndReleased) {
    Pkt p = packet(64);
    console::Capture cap;
    EXPECT_FALSE(DEV_NICDRV_GATEWAY_SendIUCPacket(p.mref, 5, 3));
    EXPECT_NE(cap.text().find("dest-unit error(dst_unit=5)"), std::string::npos);
    EXPECT_FALSE(L_MM_Mref_IsValid(p.mref));
}

TEST_F(NicTxTest, ReceivedPacketGivenBackThroughCode7OnlyOnce) {
    push(64);
    chipsim::netif_deliver();
    run_task();
    auto calls = calllog::read("LAN");
    ASSERT_FALSE(calls.empty());
    const std::string& t = calls.back().text;
    const uint32_t fi =
        static_cast<uint32_t>(std::stoul(t.substr(t.find("free_info=0x") + 12), nullptr, 16));
    EXPECT_EQ(chipsim::netif_stats(0).held_by_cpu, 1u);
    auto r = request({{0, cmd::kFreeRxPacket}, {cmd::kFreeInfo, fi}});
    EXPECT_EQ(r[0], 1);
    EXPECT_EQ(chipsim::netif_stats(0).held_by_cpu, 0u);
    console::Capture cap;
    r = request({{0, cmd::kFreeRxPacket}, {cmd::kFreeInfo, fi}});
    EXPECT_EQ(r[0], 0);  // the chip has those buffers already
}

}  // namespace
