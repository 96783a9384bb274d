// The receive path under a stream of packets: packets handed up in turns of the event loop
// with every control record and buffer coming back, several classes in flight at once, the
// SDK's event task woken for each round of frames, the DMA's buffers of long packets, the
// sinks' call records and their wait for deliveries, and the mref of a packet made in a
// forked process.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

#include "drivers/nicdrv/dev_nicdrv_internal.h"
#include "platform/components/faults.h"
#include "platform/containers/l_pt.h"
#include "tests/drivers/nicdrv/nicdrv_fixture.h"

namespace {

// Polls `done` with a bound (a stalled path fails the test instead of hanging it).
template <typename Fn>
bool eventually(Fn done) {
    for (int i = 0; i < 2000000; ++i) {
        if (done()) return true;
        std::this_thread::yield();
    }
    return done();
}

TEST_F(NicdrvTest, TurnHandsUpAtMost32PacketsAndEveryRecordAndBufferComesBack) {
    packet_sinks::set_hold(0);  // each packet freed as it arrives
    // More packets than there are control records: a record kept back by a turn would run
    // the pool dry before the last round.
    for (uint32_t round = 0; round < 20; ++round) {
        for (int i = 0; i < 30; ++i)
            push(64, static_cast<uint8_t>(round % 2));
        ASSERT_EQ(chipsim::netif_deliver(), 30u) << "round " << round;
        EXPECT_EQ(DEV_NICDRV_TaskHandleEvents(nicshm::kEventPackets), nicshm::kEventPackets);
        run_task();
        ASSERT_EQ(lan(), 30u * (round + 1)) << "round " << round;
    }
    EXPECT_EQ(shm().get(nicshm::kRxDequeueSuccess), 600u);
    EXPECT_EQ(shm().get(nicshm::kMemFreeSuccess), 600u);
    for (uint32_t q = 0; q < 2; ++q) {
        EXPECT_EQ(shm().get(nicshm::State::queue_word(nicshm::kQueueDepth, q)), 0u);
        EXPECT_EQ(shm().get(nicshm::State::queue_word(nicshm::kAnnounced, q)), 0u);
        EXPECT_EQ(cos(q, nicshm::kCurrent), 0u);
        EXPECT_EQ(cos(q, nicshm::kEnTotal), 300u);
    }
    const chipsim::NetifStats st = chipsim::netif_stats(0);
    EXPECT_EQ(st.free_buffers, st.buffers);
    // The nodes of the packets the task freed itself are back too, the last batch's included.
    EXPECT_EQ(L_PT_GetFreeCount(&nicdrv::cb().fi_pool), nicdrv::kFreeInfoNodes);
}

TEST_F(NicdrvTest, FirstTurnStopsAfter32AndLeavesTheRestQueued) {
    packet_sinks::set_hold(0);  // no queue reaches its suspension threshold
    for (int i = 0; i < 20; ++i) {
        push(64, 0);
        push(64, 1);
    }
    ASSERT_EQ(chipsim::netif_deliver(), 40u);
    EXPECT_EQ(DEV_NICDRV_TaskHandleEvents(nicshm::kEventPackets), nicshm::kEventPackets);
    EXPECT_EQ(lan(), 32u);
    // The turn that stopped at its limit settled what it freed: the 8 queued hold the rest.
    EXPECT_EQ(L_PT_GetFreeCount(&nicdrv::cb().fi_pool), nicdrv::kFreeInfoNodes - 8);
    EXPECT_EQ(shm().get(nicshm::kMemFreeSuccess), 32u);
    EXPECT_EQ(DEV_NICDRV_TaskHandleEvents(nicshm::kEventPackets), nicshm::kEventPackets);
    EXPECT_EQ(lan(), 40u);
    EXPECT_EQ(DEV_NICDRV_TaskHandleEvents(nicshm::kEventPackets), 0u);
}

TEST_F(NicdrvTest, EightClassesInFlightAreEachAdmittedCountedAndGivenBack) {
    packet_sinks::set_hold(0);
    constexpr uint32_t kPerClass = 28;  // under the admission limit of 30 of each queue
    uint64_t before[8];
    for (uint32_t q = 0; q < 8; ++q)
        before[q] = packet_sinks::delivered("LAN", 37 + q);
    for (uint32_t i = 0; i < kPerClass; ++i)
        for (uint32_t q = 0; q < 8; ++q)
            push(64, static_cast<uint8_t>(q), 0, 37 + q);
    ASSERT_EQ(chipsim::netif_deliver(), 8 * kPerClass);
    run_task();
    EXPECT_EQ(lan(), 8 * kPerClass);
    for (uint32_t q = 0; q < 8; ++q) {
        EXPECT_EQ(packet_sinks::delivered("LAN", 37 + q) - before[q], kPerClass) << "class " << q;
        EXPECT_EQ(cos(q, nicshm::kEnTotal), kPerClass) << "class " << q;
        EXPECT_EQ(cos(q, nicshm::kQeFull), 0u) << "class " << q;
        EXPECT_EQ(cos(q, nicshm::kCurrent), 0u) << "class " << q;
        EXPECT_EQ(shm().get(nicshm::State::queue_word(nicshm::kQueueDepth, q)), 0u);
    }
    EXPECT_EQ(packet_sinks::delivered("LAN", packet_sinks::kCodes), 0u);
    const chipsim::NetifStats st = chipsim::netif_stats(0);
    EXPECT_EQ(st.free_buffers, st.buffers);
}

TEST_F(NicdrvTest, PacketWhoseMrefCannotBeMadeGoesBackAndLeavesTheBooksAsBefore) {
    const uint32_t ann = nicshm::State::queue_word(nicshm::kAnnounced, 0);
    for (int i = 0; i < 15; ++i)
        push(64, 0);
    chipsim::netif_deliver();
    run_task();
    ASSERT_EQ(lan(), 15u);
    // The 16th packet would reach the queue's threshold and suspend it.
    faults::set("_L_MM_Mref_Construct", 0, 1);
    push(64, 0);
    chipsim::netif_deliver();
    run_task();
    EXPECT_EQ(lan(), 15u);
    EXPECT_EQ(shm().get(ann), 15u);
    EXPECT_EQ(shm().get(nicshm::kTotalBufferAnnounced), 15u);
    EXPECT_FALSE(shm().suspended(0));
    EXPECT_EQ(shm().get(nicshm::State::queue_word(nicshm::kQueueDepth, 0)), 15u);
    EXPECT_EQ(cos(0, nicshm::kCurrent), 15u);
    EXPECT_EQ(chipsim::netif_stats(0).held_by_cpu, 15u);
    // The next packet is handed up and is the one that suspends the queue.
    push(64, 0);
    chipsim::netif_deliver();
    run_task();
    EXPECT_EQ(lan(), 16u);
    EXPECT_EQ(shm().get(ann), 16u);
    EXPECT_TRUE(shm().suspended(0));
}

TEST_F(NicdrvTest, EventTaskHandsUpEveryRoundOfFrames) {
    // The task sleeps between rounds; a wake-up lost between its last look and its sleep
    // would leave a frame in the chip's buffers.
    packet_sinks::set_hold(0);
    chipsim::netif_manual_delivery(false);
    for (uint32_t round = 0; round < 200; ++round) {
        push(64, 0);
        ASSERT_TRUE(eventually([&] { return shm().get(nicshm::kRxEnqueueSuccess) == round + 1; }))
            << "round " << round;
        run_task();
    }
    EXPECT_EQ(lan(), 200u);
    chipsim::netif_manual_delivery(true);
}

TEST_F(NicdrvTest, WaitForDeliveriesEndsWhenTheyArriveOrTheTimeRunsOut) {
    EXPECT_FALSE(packet_sinks::wait_delivered("NOBODY", 0, 0));
    const uint64_t base = packet_sinks::delivered("LAN");
    EXPECT_TRUE(packet_sinks::wait_delivered("LAN", base, 0));
    EXPECT_FALSE(packet_sinks::wait_delivered("LAN", base + 1, 20));
    std::thread path([] {
        for (int i = 0; i < 3; ++i)
            push(64);
        chipsim::netif_deliver();
        run_task();
    });
    EXPECT_TRUE(packet_sinks::wait_delivered("LAN", base + 3, 10000));
    path.join();
    EXPECT_EQ(packet_sinks::delivered("LAN"), base + 3);
}

TEST_F(NicdrvTest, MrefMadeInAForkedProcessNamesThatProcess) {
    void* buf = L_IPCMEM_Allocate(64);
    ASSERT_NE(buf, nullptr);
    L_MM_Mref_T* here = L_MM_Mref_Construct(buf, 64, 0, 64, 0, 0, 0);
    ASSERT_NE(here, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(here->owner_pid), static_cast<uint32_t>(::getpid()));
    L_MM_Mref_Release(&here);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        L_MM_Mref_T* m = L_MM_Mref_Construct(buf, 64, 0, 64, 0, 0, 0);
        const bool ok =
            m && static_cast<uint32_t>(m->owner_pid) == static_cast<uint32_t>(::getpid());
        if (m) L_MM_Mref_Release(&m);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    L_IPCMEM_Free(buf);
}

}  // namespace
