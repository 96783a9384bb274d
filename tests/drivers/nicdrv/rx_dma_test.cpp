// The receive DMA as the SDK's handler sees it: a frame laid over as many buffers as it
// needs, in order, each full but the last (which ends with the 4-byte CRC), and the packets
// of a delivery handed over in the order the chip took them.
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "tests/drivers/nicdrv/nicdrv_fixture.h"

namespace {

struct Seen {
    uint32_t bufs;
    std::vector<uint32_t> lens;
    std::vector<uint8_t> bytes;  // the buffers' bytes, end to end
    bool ascending;              // each buffer after the one before it in the chip's area
};
std::vector<Seen> g_seen;

SDK_STATUS capture(uint8_t dev, uint8_t queue, uint32_t num, uint8_t* bufs[], uint32_t lens[],
                   const SDK_NET_RX_PARAMS*) {
    Seen s{num, {}, {}, true};
    for (uint32_t i = 0; i < num; ++i) {
        s.lens.push_back(lens[i]);
        s.bytes.insert(s.bytes.end(), bufs[i], bufs[i] + lens[i]);
        if (i > 0 && bufs[i] <= bufs[i - 1]) s.ascending = false;
    }
    g_seen.push_back(std::move(s));
    return sdkNetIfRxBufFree(dev, queue, bufs, num);
}

TEST_F(NicdrvTest, LongFramesSpanTheirBuffersInOrderAndComeBackWhole) {
    const uint32_t size = 1544;  // the default board's buffers
    const uint32_t lens[] = {60, 4 * size - 4, 4 * size, 7 * size + 100, 60};
    // More packets than one hold of the device's lock takes, the long ones among them.
    std::vector<std::vector<uint8_t>> frames;
    for (uint32_t i = 0; i < 40; ++i) {
        std::vector<uint8_t> f(lens[i % std::size(lens)]);
        for (size_t k = 0; k < f.size(); ++k)
            f[k] = static_cast<uint8_t>(k * 7 + i);
        ASSERT_TRUE(chipsim::netif_push_cpu_frame(0, 0, 37, 0, 1, f.data(),
                                                  static_cast<uint32_t>(f.size())));
        frames.push_back(std::move(f));
    }
    g_seen.clear();
    ASSERT_EQ(sdkEventRxPacketHandlerRegister(capture), SDK_OK);
    EXPECT_EQ(chipsim::netif_deliver(), 40u);
    ASSERT_EQ(g_seen.size(), 40u);
    for (size_t i = 0; i < g_seen.size(); ++i) {
        const Seen& s = g_seen[i];
        const uint32_t total = static_cast<uint32_t>(frames[i].size()) + 4;
        EXPECT_EQ(s.bufs, (total + size - 1) / size) << "packet " << i;
        for (uint32_t k = 0; k + 1 < s.lens.size(); ++k)
            EXPECT_EQ(s.lens[k], size) << "packet " << i << " buffer " << k;
        ASSERT_EQ(s.bytes.size(), total) << "packet " << i;
        EXPECT_TRUE(std::equal(frames[i].begin(), frames[i].end(), s.bytes.begin()))
            << "packet " << i;
        EXPECT_TRUE(s.ascending) << "packet " << i;
    }
    const chipsim::NetifStats st = chipsim::netif_stats(0);
    EXPECT_EQ(st.rx_packets, 40u);
    EXPECT_EQ(st.held_by_cpu, 0u);
    EXPECT_EQ(st.free_buffers, st.buffers);
}

std::vector<uint8_t*> g_kept;  // buffers handed over and not given back yet

SDK_STATUS keep(uint8_t, uint8_t, uint32_t num, uint8_t* bufs[], uint32_t[],
                const SDK_NET_RX_PARAMS*) {
    g_kept.insert(g_kept.end(), bufs, bufs + num);
    return SDK_OK;
}

TEST_F(NicdrvTest, GivingBackAListWithABufferTwiceChangesNothing) {
    const std::vector<uint8_t> f(60, 0x5A);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(chipsim::netif_push_cpu_frame(0, 0, 37, 0, 1, f.data(), 60));
    g_kept.clear();
    ASSERT_EQ(sdkEventRxPacketHandlerRegister(keep), SDK_OK);
    ASSERT_EQ(chipsim::netif_deliver(), 20u);
    ASSERT_EQ(g_kept.size(), 20u);
    // Short and long lists, the repeated buffer last: the whole list is refused.
    for (size_t n : {2u, 20u}) {
        std::vector<uint8_t*> list(g_kept.begin(), g_kept.begin() + static_cast<long>(n) - 1);
        list.push_back(g_kept[0]);
        EXPECT_EQ(sdkNetIfRxBufFree(0, 0, list.data(), static_cast<uint32_t>(n)), SDK_BAD_PARAM)
            << n << " buffers";
        EXPECT_EQ(chipsim::netif_stats(0).held_by_cpu, 20u) << n << " buffers";
    }
    EXPECT_EQ(sdkNetIfRxBufFree(0, 0, g_kept.data(), 20), SDK_OK);
    const chipsim::NetifStats st = chipsim::netif_stats(0);
    EXPECT_EQ(st.held_by_cpu, 0u);
    EXPECT_EQ(st.rx_bufs_freed, 20u);
    EXPECT_EQ(st.free_buffers, st.buffers);
}

std::atomic<uint32_t> g_given_back{0};

SDK_STATUS give_back_at_once(uint8_t dev, uint8_t queue, uint32_t num, uint8_t* bufs[], uint32_t[],
                             const SDK_NET_RX_PARAMS*) {
    const SDK_STATUS rc = sdkNetIfRxBufFree(dev, queue, bufs, num);
    if (rc == SDK_OK) ++g_given_back;
    return rc;
}

// Buffers come back without the device's lock while the DMA fills others. Frames that found
// no free buffer wait in the CPU queue, and a buffer given back must bring them in even when
// it comes back just as the DMA runs dry: a frame stranded there fails the count below.
TEST_F(NicdrvTest, FramesWaitingForBuffersComeInAsBuffersComeBack) {
    ASSERT_EQ(sdkEventRxPacketHandlerRegister(give_back_at_once), SDK_OK);
    g_given_back = 0;
    chipsim::netif_manual_delivery(false);  // the SDK's event task delivers
    // Seven buffers a frame: 73 frames take the 512 buffers, the next ones wait.
    const std::vector<uint8_t> f(7 * 1544 - 100, 0x3C);
    constexpr uint32_t kFrames = 3000;
    uint32_t pushed = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (pushed < kFrames && std::chrono::steady_clock::now() < until) {
        if (chipsim::netif_push_cpu_frame(0, static_cast<uint8_t>(pushed % 8), 37, 0, 1, f.data(),
                                          static_cast<uint32_t>(f.size())))
            ++pushed;
        else
            std::this_thread::yield();  // the CPU queue is full
    }
    ASSERT_EQ(pushed, kFrames);
    while (g_given_back < kFrames && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    chipsim::netif_manual_delivery(true);
    EXPECT_EQ(g_given_back.load(), kFrames);
    const chipsim::NetifStats st = chipsim::netif_stats(0);
    EXPECT_EQ(st.rx_packets, kFrames);
    EXPECT_EQ(st.ready, 0u);
    EXPECT_EQ(st.held_by_cpu, 0u);
    EXPECT_EQ(st.free_buffers, st.buffers);
    EXPECT_EQ(st.rx_bufs_freed, uint64_t{kFrames} * 7);
}

}  // namespace
