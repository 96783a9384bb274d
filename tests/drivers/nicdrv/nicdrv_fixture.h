// A private instance with the chip brought up, the switch driver and the CPU packet driver
// initialised. The SDK's event task is held back: tests hand packets to the driver with
// chipsim::netif_deliver and run the receive task's steps themselves.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "drivers/nicdrv/dev_nicdrv.h"
#include "drivers/nicdrv/dev_nicdrv_internal.h"
#include "drivers/swdrv/dev_swdrv.h"
#include "drivers/swdrv/dev_swdrv_om.h"
#include "platform/components/calllog.h"
#include "platform/console/console.h"
#include "platform/firmware/packet_sinks.h"
#include "platform/lmm/l_ipcmem.h"
#include "platform/lmm/l_mm.h"
#include "platform/sysfun/sysfun.h"
#include "platform/sysrsc/sysrsc_mgr.h"
#include "sdk/chipsim/chipsim.h"
#include "tests/support/boards.h"
#include "tests/support/test_instance.h"

class NicdrvTest : public ::testing::Test {
  protected:
    void SetUp() override {
        chipsim::reset(board::default_board());
        DEV_SWDRV_OM_Reset();
        DEV_NICDRV_OM_Reset();
        uint32_t id;
        ASSERT_EQ(SYSFUN_CreateSem(67, 1, 0, &id), SYSFUN_OK);
        ASSERT_EQ(SYSFUN_CreateSem(17, 1, 0, &id), SYSFUN_OK);
        ASSERT_TRUE(SYSRSC_MGR_AttachSystemResources());
        console::Capture cap;
        DEV_SWDRV_ChipInit();
        DEV_SWDRV_DisableAllPortAdmin();
        DEV_SWDRV_Init();
        chipsim::netif_manual_delivery(true);
        ASSERT_TRUE(DEV_NICDRV_Init());
        packet_sinks::set_hold(1000);
        calllog::clear();
        lan_base_ = packet_sinks::delivered("LAN");
    }
    void TearDown() override {
        packet_sinks::set_hold(0);
        DEV_NICDRV_OM_Reset();
        chipsim::clear_faults();
    }

    // A frame of `len` bytes from port `src_port` of device 0 in traffic class tc.
    static void push(uint32_t len, uint8_t tc = 0, uint8_t src_port = 0, uint32_t code = 37) {
        std::vector<uint8_t> f(len, 0xA5);
        const uint8_t head[14] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0,
                                  0x11, 0x22, 0x33, 0x44, 0x55, 0x08, 0x06};
        std::copy(head, head + 14, f.begin());
        ASSERT_TRUE(chipsim::netif_push_cpu_frame(0, tc, code, src_port, 1, f.data(), len));
    }
    // Runs the receive task over the packet event until nothing is left to do.
    static void run_task(uint32_t events = nicshm::kEventPackets) {
        for (int i = 0; i < 10000 && events; ++i)
            events = DEV_NICDRV_TaskHandleEvents(events);
    }
    static nicshm::State shm() {
        return nicshm::State(SYSRSC_MGR_GetShMem(SYSRSC_MGR_SEGID_NICDRV));
    }
    static uint32_t cos(uint32_t c, nicshm::CosField f) {
        return shm().get(nicshm::State::cos_field(c, f));
    }

    // Packets delivered to the LAN sink by this test.
    uint64_t lan() const { return packet_sinks::delivered("LAN") - lan_base_; }

    testing_support::TestInstance inst_;
    uint64_t lan_base_ = 0;
};
