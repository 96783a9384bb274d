// DEV_NICDRV, the CPU packet driver: packets between the chip and the firmware's packet
// layers, and its request handler (module 37).
//
// Receive: the SDK's event task calls DEV_NICDRV_GATEWAY_RecvPacket, which chains a free-info
// node per DMA buffer and passes the packet to DEV_NICDRV_ReceivePacket; that queues it by
// class of service; the receive task "NIC" hands it up as an mref (LAN_RecvPacket,
// IUC_PacketArrival), and the buffers go back to the chip when the mref's last holder
// releases it, in this process or another (dev_nicdrv_pmgr.h).
// Transmit: module-37 requests copy a packet of the shared IPC pool into a DMA buffer and send
// it from the CPU to a port, a port list or another unit's CPU.
#pragma once

#include <cstdint>

#include "sdk/sdk_netif.h"

bool DEV_NICDRV_Init();
// Forgets everything (tests: a fresh control block before the next DEV_NICDRV_Init).
void DEV_NICDRV_OM_Reset();
// Starts the receive task "NIC".
bool DEV_NICDRV_CreateTask();
bool DEV_NICDRV_HandleIPCReqMsg(void* msgbuf);
// The driver's debug menus, "dev_nicdrv" and "devnicdrv_gateway".
void DEV_NICDRV_BACKDOOR_Main();
void DEV_NICDRV_GATEWAY_BACKDOOR_Main();

// The longest handling time of each module's requests, in ticks, kept by the driver group
// (module ids 0..173).
constexpr uint32_t DEV_NICDRV_MAX_MODULE_ID = 173;
void DEV_NICDRV_OM_UpdateModuleHandlingTime(uint32_t module_id, uint32_t ticks);
uint32_t DEV_NICDRV_OM_GetModuleHandlingTime(uint32_t module_id);

// ---- Receive -----------------------------------------------------------------------------
// The receive descriptor: fourteen words, word 0 the magic.
constexpr uint32_t DEV_NICDRV_DESCRIPTOR_WORDS = 14;
using DEV_NICDRV_RecvCallback_T = bool (*)(uint32_t device, uint32_t port, const uint32_t* desc,
                                           uint32_t cpu_code, uint8_t* buffer, uint32_t length);
bool DEV_NICDRV_GATEWAY_Init(DEV_NICDRV_RecvCallback_T callback);
SDK_STATUS DEV_NICDRV_GATEWAY_RecvPacket(uint8_t device, uint8_t queue, uint32_t num_bufs,
                                         uint8_t* bufs[], uint32_t lens[],
                                         const SDK_NET_RX_PARAMS* params);
// Gives a received packet's buffers back to the chip and its nodes to the pool; free_info is
// the shared-pool offset of its first node (0: nothing to do, TRUE).
bool DEV_NICDRV_GATEWAY_FreePacket(uint32_t free_info);
// Queues one packet; desc without the magic (or nullptr) stands for a packet without free info.
bool DEV_NICDRV_ReceivePacket(uint32_t device, uint32_t port, const uint32_t* desc,
                              uint32_t cpu_code, uint8_t* buffer, uint32_t length);
// The receive task's body, and one pass of it over the given events (tests drive the task
// with it): returns the events still pending afterwards.
void DEV_NICDRV_Task(void* arg);
uint32_t DEV_NICDRV_TaskHandleEvents(uint32_t events);

// ---- Transmit ----------------------------------------------------------------------------
struct L_MM_Mref_T;
bool DEV_NICDRV_GATEWAY_SendPacketByPort(uint32_t unit, uint32_t port, const uint8_t* packet,
                                         uint32_t length, L_MM_Mref_T* mref);
bool DEV_NICDRV_GATEWAY_SendPacketByPortList(uint32_t count, const uint8_t* port_bitmap,
                                             const uint8_t* untagged_bitmap, const uint8_t* packet,
                                             uint32_t length, L_MM_Mref_T* mref);
bool DEV_NICDRV_GATEWAY_SendIUCPacket(L_MM_Mref_T* mref, uint16_t dst_unit, uint8_t port_mask);
bool DEV_NICDRV_GATEWAY_SendXbarPacketByPortList(L_MM_Mref_T* mref);
bool DEV_NICDRV_GATEWAY_FillFromCPUTxParams(uint16_t dst_unit, uint16_t uplink_downlink,
                                            SDK_NET_TX_PARAMS* params);
void PacketSendOut_MREF_ReleaseReference(L_MM_Mref_T* mref);
// How often the transmit event has been bound (once, on the first send).
uint32_t DEV_NICDRV_GATEWAY_TxBindCount();
// The transmit DMA pool (for menus and tests).
SDK_POOL_ID DEV_NICDRV_GATEWAY_TxPool();
