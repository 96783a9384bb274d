// The receive path: buffers chained into free info and back to the chip, suspension and
// resumption of a queue, ageing, admission limits.
#include "tests/drivers/nicdrv/nicdrv_fixture.h"

namespace {

uint32_t free_info_of_last_lan_call() {
    auto calls = calllog::read("LAN");
    if (calls.empty()) return 0;
    const std::string& t = calls.back().text;
    auto at = t.find("free_info=0x");
    return at == std::string::npos
               ? 0
               : static_cast<uint32_t>(std::stoul(t.substr(at + 12), nullptr, 16));
}

TEST_F(NicdrvTest, PacketOfTwoBuffersChainsTwoNodesInOrderAndBothGoBack) {
    push(2000);  // 2004 bytes with the CRC: two 1544-byte buffers
    ASSERT_EQ(chipsim::netif_deliver(), 1u);
    EXPECT_EQ(chipsim::netif_stats(0).held_by_cpu, 2u);
    run_task();
    ASSERT_EQ(lan(), 1u);
    const uint32_t fi = free_info_of_last_lan_call();
    auto* first = static_cast<nicdrv::FreeInfoNode*>(L_IPCMEM_GetPtr(fi));
    ASSERT_NE(first, nullptr);
    auto* second = static_cast<nicdrv::FreeInfoNode*>(L_IPCMEM_GetPtr(first->next));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->next, 0u);
    // Buffer order: the second node's buffer follows the first one's in the chip's area.
    EXPECT_GT(static_cast<uint32_t>(second->buffer), static_cast<uint32_t>(first->buffer));
    EXPECT_EQ(packet_sinks::release_all("LAN"), 1u);
    const chipsim::NetifStats st = chipsim::netif_stats(0);
    EXPECT_EQ(st.held_by_cpu, 0u);
    EXPECT_EQ(st.free_buffers, st.buffers);
    EXPECT_EQ(st.rx_bufs_freed, 2u);
    EXPECT_EQ(cos(0, nicshm::kCurrent), 0u);
    EXPECT_EQ(shm().get(nicshm::State::queue_word(nicshm::kAnnounced, 0)), 0u);
}

TEST_F(NicdrvTest, PacketOfMoreThanEightBuffersGoesBackAtOnce) {
    push(8 * 1544 - 4);  // exactly 8 buffers: delivered
    push(9 * 1544);      // 9 buffers or more: given back
    chipsim::netif_deliver();
    EXPECT_EQ(nicdrv::cb().gw.more_one_desc[0].load(), 1u);
    run_task();
    EXPECT_EQ(lan(), 1u);
    EXPECT_EQ(chipsim::netif_stats(0).held_by_cpu, 8u);
    packet_sinks::release_all("LAN");
    EXPECT_EQ(chipsim::netif_stats(0).held_by_cpu, 0u);
}

TEST_F(NicdrvTest, QueueSuspendsAtItsThresholdAndResumesWhenPacketsAreFreed) {
    for (int i = 0; i < 17; ++i)
        push(64);
    chipsim::netif_deliver();
    run_task();
    EXPECT_EQ(lan(), 16u);
    EXPECT_TRUE(shm().suspended(0));
    EXPECT_EQ(cos(0, nicshm::kCurrent), 17u);
    run_task();  // still suspended: nothing more
    EXPECT_EQ(lan(), 16u);
    packet_sinks::set_hold(15);  // the oldest packet is freed
    EXPECT_EQ(shm().get(nicshm::State::queue_word(nicshm::kAnnounced, 0)), 15u);
    run_task(nicshm::kEventResume);
    EXPECT_EQ(lan(), 17u);
    // The 17th packet took the queue to its threshold again, and the sink, holding 15, freed
    // the oldest: the task settled that free's books before it went back to waiting.
    EXPECT_EQ(shm().get(nicshm::State::queue_word(nicshm::kAnnounced, 0)), 15u);
    EXPECT_EQ(cos(0, nicshm::kCurrent), 15u);
    EXPECT_FALSE(shm().suspended(0));
    packet_sinks::set_hold(16);
    push(64);
    chipsim::netif_deliver();
    run_task();
    EXPECT_TRUE(shm().suspended(0));  // 16 not freed again
}

TEST_F(NicdrvTest, FullQueueRefusesThe31stPacketAndReturnsItsBuffers) {
    for (int i = 0; i < 31; ++i)
        push(64, 2);
    chipsim::netif_deliver();
    EXPECT_EQ(cos(2, nicshm::kQeFull), 1u);
    EXPECT_EQ(cos(2, nicshm::kEnTotal), 31u);
    EXPECT_EQ(chipsim::netif_stats(0).held_by_cpu, 30u);
}

TEST_F(NicdrvTest, PacketWaitingLongerThanTheAgeLimitIsDroppedAndCounted) {
    push(64, 3);
    chipsim::netif_deliver();
    EXPECT_EQ(cos(3, nicshm::kCurrent), 1u);
    // An age-out step every tenth timer event; a packet outlives at most eight steps.
    for (int i = 0; i < 10 * 7; ++i)
        DEV_NICDRV_TaskHandleEvents(nicshm::kEventTimer);
    EXPECT_EQ(cos(3, nicshm::kAgeOut), 0u);
    for (int i = 0; i < 10 * 3; ++i)
        DEV_NICDRV_TaskHandleEvents(nicshm::kEventTimer);
    EXPECT_EQ(cos(3, nicshm::kAgeOut), 1u);
    EXPECT_EQ(cos(3, nicshm::kCurrent), 0u);
    EXPECT_EQ(chipsim::netif_stats(0).held_by_cpu, 0u);
    run_task();
    EXPECT_EQ(lan(), 0u);
}

TEST_F(NicdrvTest, FreeingANullOrForeignFreeInfo) {
    EXPECT_TRUE(DEV_NICDRV_GATEWAY_FreePacket(0));
    console::Capture cap;
    EXPECT_FALSE(DEV_NICDRV_GATEWAY_FreePacket(0xFFFFFFF0));
    EXPECT_NE(cap.text().find("L_PT_Free fail"), std::string::npos);
}

TEST_F(NicdrvTest, PriorityTaggedPacketGetsThePortsVlan) {
    ASSERT_TRUE(DEV_SWDRV_SetPortPVID(1, 1, 1));
    std::vector<uint8_t> f(64, 0);
    const uint8_t head[18] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0, 1,    2,
                              3,    4,    5,    0x81, 0,    0xA0, 0, 0x08, 0x06};
    std::copy(head, head + 18, f.begin());
    ASSERT_TRUE(chipsim::netif_push_cpu_frame(0, 0, 37, 0, 0, f.data(), 64));
    chipsim::netif_deliver();
    run_task();
    ASSERT_EQ(lan(), 1u);
    auto held = packet_sinks::held("LAN");
    ASSERT_EQ(held.size(), 1u);
    uint32_t len = 0;
    auto* pdu = static_cast<uint8_t*>(L_MM_Mref_GetPdu(L_MM_Mref_FromOffset(held[0]), &len));
    ASSERT_NE(pdu, nullptr);
    EXPECT_EQ(be::get16(pdu + 14), 0xA001);  // priority 5 kept, VLAN 1
    EXPECT_EQ(L_MM_Mref_GetUserId(L_MM_Mref_FromOffset(held[0])), L_MM_USER_ID(37, 57));
}

}  // namespace
