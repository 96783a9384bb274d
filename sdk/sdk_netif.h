// The CPU network interface: the receive DMA queues through which the chip hands the CPU its
// packets (with the SDK's event task calling the registered receive handler), the DMA buffer
// pools of the transmit side, the event binding and the synchronous from-CPU send.
#pragma once

#include "sdk/sdk_fdb.h"
#include "sdk/sdk_types.h"

// ---- CPU codes ---------------------------------------------------------------------------
// The CPU code table (each code's traffic class, that is the CPU
// queue its frames wait in, and its rate limiter), the CPU code rate limiters, the CPU codes
// given to some trapped protocols, and the application-specific CPU codes that re-label
// frames of chosen IP protocols, destination ports and TCP SYNs on their way to the CPU.

// CPU codes 0..SDK_CPU_CODES-1; traffic classes (CPU queues) 0..7, 7 served first.
constexpr uint32_t SDK_CPU_CODES = 512;
constexpr uint32_t SDK_CPU_QUEUES = 8;
// Rate limiters 1..SDK_CPU_CODE_RATE_LIMITERS-1; limiter 0 in a code's entry means none.
constexpr uint32_t SDK_CPU_CODE_RATE_LIMITERS = 32;
// A limiter passes at most pktLimit frames per window of windowSize resolution units.
constexpr uint32_t SDK_CPU_CODE_WINDOW_MAX = 4095;
constexpr uint32_t SDK_CPU_CODE_PKT_LIMIT_MAX = 65535;

struct SDK_CPU_CODE_ENTRY {
    uint8_t tc;                 // CPU queue
    uint32_t rateLimiterIndex;  // 0: none
};
SDK_STATUS sdkNetIfCpuCodeSet(uint8_t devNum, uint32_t cpuCode, const SDK_CPU_CODE_ENTRY* entry);
SDK_STATUS sdkNetIfCpuCodeGet(uint8_t devNum, uint32_t cpuCode, SDK_CPU_CODE_ENTRY* entry);

// The length of one window unit, in nanoseconds (1..10^9).
SDK_STATUS sdkNetIfCpuCodeRateLimiterWindowResolutionSet(uint8_t devNum, uint32_t resolutionNs);
SDK_STATUS sdkNetIfCpuCodeRateLimiterWindowResolutionGet(uint8_t devNum, uint32_t* resolutionNs);
// windowSize 0..SDK_CPU_CODE_WINDOW_MAX units, pktLimit 0..SDK_CPU_CODE_PKT_LIMIT_MAX.
SDK_STATUS sdkNetIfCpuCodeRateLimiterSet(uint8_t devNum, uint32_t index, uint32_t windowSize,
                                         uint32_t pktLimit);
SDK_STATUS sdkNetIfCpuCodeRateLimiterGet(uint8_t devNum, uint32_t index, uint32_t* windowSize,
                                         uint32_t* pktLimit);

// The CPU code of IEEE reserved multicast protocol `protocol` (01-80-C2-00-00-protocol)
// sent to the CPU.
SDK_STATUS sdkNetIfCpuCodeIeeeReservedMcastProtSet(uint8_t devNum, uint8_t protocol,
                                                   uint32_t cpuCode);
// The CPU code of IP link-local multicast (224.0.0.protocol, ff02::protocol) sent to the CPU.
constexpr uint32_t SDK_IP_VER_4 = 0;
constexpr uint32_t SDK_IP_VER_6 = 1;
SDK_STATUS sdkNetIfCpuCodeIpLinkLocalProtSet(uint8_t devNum, uint32_t ipVer, uint8_t protocol,
                                             uint32_t cpuCode);

// Application-specific CPU codes, applied to frames on their way to the CPU whatever sent
// them there. TCP SYNs (SYN without ACK) get SDK_CPU_CODE_TCP_SYN.
constexpr uint32_t SDK_CPU_CODE_TCP_SYN = 192;
SDK_STATUS sdkNetIfAppSpecificCpuCodeTcpSynSet(uint8_t devNum, bool enable);
// IPv4 and IPv6 packets of an IP protocol, entries 0..SDK_APP_CPU_CODE_ENTRIES-1.
constexpr uint32_t SDK_APP_CPU_CODE_ENTRIES = 8;
SDK_STATUS sdkNetIfAppSpcfcCpuCodeIpPrtclSet(uint8_t devNum, uint32_t index, uint8_t protocol,
                                             uint32_t cpuCode);
// TCP and UDP packets whose destination port is in minPort..maxPort.
SDK_STATUS sdkNetIfAppSpcfcCpuCodeDstPrtRngSet(uint8_t devNum, uint32_t index, uint16_t minPort,
                                               uint16_t maxPort, uint32_t cpuCode);

// The chip could not take the packet now (no transmit descriptor).
constexpr SDK_STATUS SDK_NO_RESOURCE = 0x13;

// ---- Receive ----------------------------------------------------------------------------
// Receive DMA queues per device; a packet's queue is its traffic class towards the CPU.
constexpr uint32_t SDK_NETIF_RX_QUEUES = 8;

// What the chip's to-CPU tag says about a received packet.
constexpr uint32_t SDK_NET_TAG_TYPE_UNTAGGED = 0;
constexpr uint32_t SDK_NET_TAG_TYPE_TAG0 = 1;  // it came in with an 802.1Q tag
struct SDK_NET_RX_PARAMS {
    uint32_t tagType;
    uint16_t vid;
    bool isTagged;
    uint8_t srcDev;  // hardware device number of the port it came in on
    uint8_t srcPort;
    uint32_t cpuCode;
    bool wasTruncated;
    uint32_t timestamp;  // model time, ms
};

// Called by the SDK's event task for every received packet: its receive queue, its DMA
// buffers in order and the bytes each holds (the last buffer ends with the 4-byte CRC). The
// buffers stay the CPU's until given back with sdkNetIfRxBufFree.
using SDK_NET_RX_PACKET_HANDLER = SDK_STATUS (*)(uint8_t devNum, uint8_t queueIdx,
                                                 uint32_t numOfBuff, uint8_t* packetBuffs[],
                                                 uint32_t buffLen[],
                                                 const SDK_NET_RX_PARAMS* rxParams);
// Registers the receive handler and starts the event task (nullptr stops delivery).
SDK_STATUS sdkEventRxPacketHandlerRegister(SDK_NET_RX_PACKET_HANDLER handler);

// Brings the CPU network interface of a device up: its receive DMA buffers ("rx_desc_count"
// buffers of "rx_buf_size" bytes, board parameters) are carved from the shared IPC pool.
// SDK_OK when it is up already.
SDK_STATUS sdkNetIfInit(uint8_t devNum);

// Gives received buffers back to the chip. SDK_BAD_PARAM when one of them is not a buffer of
// the device's receive queues now held by the CPU (nothing is given back then).
SDK_STATUS sdkNetIfRxBufFree(uint8_t devNum, uint8_t rxQueue, uint8_t* rxBuffList[],
                             uint32_t buffListLen);

// ---- Transmit ---------------------------------------------------------------------------
// A pool of DMA buffers in the shared IPC pool; 0 names no pool.
using SDK_POOL_ID = uint32_t;
// bufSize bytes each, aligned to 1 << alignment bytes; withSem: guarded for several threads.
SDK_STATUS sdkPoolCreateDmaPool(uint32_t bufSize, uint32_t alignment, uint32_t numOfBufs,
                                bool withSem, SDK_POOL_ID* poolId);
// A free buffer, or nullptr when none is left.
void* sdkPoolGetBuf(SDK_POOL_ID poolId);
// SDK_BAD_PARAM for a pointer that is not a buffer of the pool taken from it.
SDK_STATUS sdkPoolFreeBuf(SDK_POOL_ID poolId, void* buf);
uint32_t sdkPoolFreeBufNumGet(SDK_POOL_ID poolId);

// Events a handle can be bound to.
constexpr uint32_t SDK_EVENT_TX_BUFFER_QUEUE = 172;
using SDK_EVENT_HANDLE = uint32_t;
SDK_STATUS sdkEventBind(const uint32_t* uniEventArr, uint32_t arrLength, SDK_EVENT_HANDLE* hndl);

// Destinations are interfaces of kind SDK_INTERFACE_PORT (sdk_fdb.h); cascade tags:
constexpr uint32_t SDK_NET_CASCADE_TAG_REGULAR = 0;
constexpr uint32_t SDK_NET_CASCADE_TAG_EXTENDED = 1;
constexpr uint32_t SDK_NET_CASCADE_CMD_FROM_CPU = 1;

struct SDK_NET_TX_PARAMS {
    bool packetIsTagged;  // the packet holds a VLAN tag at offset 12; the chip replaces it
    void* cookie;
    bool recalcCrc;  // the last 4 bytes are room for the CRC the chip computes
    uint8_t txQueue;
    SDK_EVENT_HANDLE evReqHndl;
    bool invokeTxBufferQueueEvent;
    uint32_t cascadeTagType;
    uint8_t vpt;
    uint8_t cfiBit;
    uint16_t vid;
    bool dropOnSource;
    bool packetIsLooped;
    uint32_t cascadeCmd;
    struct {
        uint32_t type;
        struct {
            uint8_t devNum;  // hardware device number
            uint8_t portNum;
        } devPort;
        uint16_t vlanId;
    } dstInterface;
    uint8_t tc;
    uint8_t dp;
    bool egrFilterEn;
    bool cascadeControl;
    bool egrFilterRegistered;
    uint32_t srcId;
    uint8_t srcDev;
    bool dstIsTagged;           // the packet leaves with a tag of (vpt, cfiBit, vid)
    bool mailBoxToNeighborCPU;  // to the CPU of the unit behind a stacking port
    bool mirrorToAllCPUs;
};

// Sends one packet from the CPU of devNum, synchronously: the buffers are the chip's only
// for the call. SDK_BAD_PARAM for an unbound event handle, a destination that is not a port
// of this unit, or a packet shorter than an Ethernet header.
SDK_STATUS sdkNetIfSdmaSyncTxPacketSend(uint8_t devNum, const SDK_NET_TX_PARAMS* params,
                                        uint8_t* buffList[], uint32_t buffLenList[],
                                        uint32_t numOfBufs);
