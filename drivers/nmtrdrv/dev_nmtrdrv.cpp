// The counters driver's operations: each record is a table of fields, each field the sum of
// the MAC counters it names (none: 0), read in table order and stored high word first; and
// the clearing of counters through a capture with clear-on-read.
#include "drivers/nmtrdrv/dev_nmtrdrv.h"

#include <initializer_list>

#include "drivers/swdrv/dev_swdrv.h"
#include "platform/common/byteorder.h"
#include "platform/console/console.h"
#include "platform/stktplg/stktplg.h"
#include "platform/sysfun/sysfun.h"
#include "sdk/sdk_counters.h"

namespace {

DEV_NMTRDRV_CB_T g_cb;

// A record field: its byte offset and the counters whose sum it holds.
struct Field {
    uint16_t offset;
    std::initializer_list<SDK_MAC_COUNTER> sum;
};

constexpr SDK_MAC_COUNTER kGoodOctetsRcv = SDK_GOOD_OCTETS_RCV, kBadOctetsRcv = SDK_BAD_OCTETS_RCV,
                          kUcRcv = SDK_UC_PKTS_RCV, kBcRcv = SDK_BRDC_PKTS_RCV,
                          kMcRcv = SDK_MC_PKTS_RCV, kDrops = SDK_DROP_EVENTS,
                          kOctetsSent = SDK_GOOD_OCTETS_SENT, kUcSent = SDK_UC_PKTS_SENT,
                          kBcSent = SDK_BRDC_PKTS_SENT, kMcSent = SDK_MC_PKTS_SENT;

const Field kIfStats[] = {
    {0, {kGoodOctetsRcv, kBadOctetsRcv}},
    {8, {kUcRcv}},
    {16, {kBcRcv, kMcRcv}},
    {24, {kDrops}},
    {32, {SDK_MAC_RCV_ERROR, SDK_BAD_CRC, kDrops}},
    {40, {}},
    {48, {kOctetsSent}},
    {56, {kUcSent}},
    {64, {kBcSent, kMcSent}},
    {72, {}},
    {80, {SDK_MAC_TRANSMIT_ERR}},
    {88, {}},
};

const Field kIfXStats[] = {
    {32, {kGoodOctetsRcv, kBadOctetsRcv}},
    {40, {kUcRcv}},
    {48, {kMcRcv}},
    {56, {kBcRcv}},
    {64, {kOctetsSent}},
    {72, {kUcSent}},
    {80, {kMcSent}},
    {88, {kBcSent}},
};

const Field kRmonStats[] = {
    {0, {kDrops}},
    {8, {kGoodOctetsRcv, kBadOctetsRcv, kOctetsSent}},
    {16, {kUcRcv, kBcRcv, kMcRcv, kUcSent, kBcSent, kMcSent}},
    {24, {kBcRcv}},
    {32, {kMcRcv}},
    {40, {SDK_BAD_CRC}},
    {48, {SDK_UNDERSIZE_PKTS}},
    {56, {SDK_OVERSIZE_PKTS}},
    {64, {SDK_FRAGMENTS_PKTS}},
    {72, {SDK_JABBER_PKTS}},
    {80, {SDK_COLLISIONS}},
    {88, {SDK_PKTS_64_OCTETS}},
    {96, {SDK_PKTS_65TO127_OCTETS}},
    {104, {SDK_PKTS_128TO255_OCTETS}},
    {112, {SDK_PKTS_256TO511_OCTETS}},
    {120, {SDK_PKTS_512TO1023_OCTETS}},
    {128, {SDK_PKTS_1024TOMAX_OCTETS}},
};

const Field kEtherLikeStats[] = {
    {0, {}},
    {8, {SDK_BAD_CRC}},
    {16, {SDK_COLLISIONS}},
    {24, {}},
    {32, {}},
    {40, {SDK_DEFERRED_PKTS_SENT}},
    {48, {SDK_LATE_COLLISIONS}},
    {56, {SDK_EXCESSIVE_COLLISIONS}},
    {64, {SDK_MAC_TRANSMIT_ERR}},
    {72, {}},
    {80, {SDK_OVERSIZE_PKTS}},
    {88, {SDK_MAC_RCV_ERROR}},
    {96, {}},
    {104, {}},
    {112, {}},
};

const Field kPauseStats[] = {
    {8, {SDK_GOOD_FC_RCV}},
    {16, {SDK_FC_SENT}},
};

constexpr uint8_t kSupported[DEV_NMTRDRV_SUPPORTED_SIZE] = {0xFB, 0xAF, 0xFF, 0xFF, 0xFF,
                                                            0xFF, 0xFF, 0x67, 0xB7, 0xFF};

// (unit, port) to (device, device port); false when it does not convert.
bool convert(uint32_t unit, uint32_t port, uint8_t* dev, uint8_t* phy_port) {
    uint32_t module = 0, device = 0, pp = 0;
    if (!DEV_SWDRV_Logical2PhyDevicePortID(unit, port, &module, &device, &pp)) return false;
    *dev = static_cast<uint8_t>(device);
    *phy_port = static_cast<uint8_t>(pp);
    return true;
}

// One counter under the value rule.
uint64_t read_counter(uint8_t dev, uint8_t port, SDK_MAC_COUNTER c) {
    uint64_t v = 0;
    if (sdkMacCounterGet(dev, port, c, &v) != SDK_OK) return 0;
    return v == ~uint64_t{0} ? v - 1 : v;
}

template <size_t N>
bool read_record(uint32_t unit, uint32_t port, uint8_t* record, const Field (&fields)[N]) {
    uint8_t dev, phy_port;
    if (!record || !convert(unit, port, &dev, &phy_port)) return false;
    for (const Field& f : fields) {
        uint64_t sum = 0;
        for (SDK_MAC_COUNTER c : f.sum)
            sum += read_counter(dev, phy_port, c);
        be::put32(record + f.offset, static_cast<uint32_t>(sum >> 32));
        be::put32(record + f.offset + 4, static_cast<uint32_t>(sum));
    }
    return true;
}

bool clear_on_read(uint8_t dev, uint8_t port, bool on) {
    if (SDK_STATUS rc = sdkPortMacCountersClearOnReadSet(dev, port, on)) {
        CONSOLE_Printf("%s[%d] sdkPortMacCountersClearOnReadSet failed rc=%d\n", __func__, __LINE__,
                       static_cast<int>(rc));
        return false;
    }
    return true;
}

}  // namespace

DEV_NMTRDRV_CB_T& DEV_NMTRDRV_CB() {
    return g_cb;
}

bool DEV_NMTRDRV_ClearPortCounter(uint32_t unit, uint32_t port) {
    uint8_t dev, phy_port;
    if (!convert(unit, port, &dev, &phy_port)) return false;
    if (!clear_on_read(dev, phy_port, true)) return false;
    if (SDK_STATUS rc = sdkPortMacCountersCaptureTriggerSet(dev, phy_port)) {
        CONSOLE_Printf("%s[%d] sdkPortMacCountersClearOnReadSet failed rc=%d\n", __func__, __LINE__,
                       static_cast<int>(rc));
        return false;
    }
    // The capture reads, and so clears, the counters; wait until the chip has done it.
    for (uint32_t polls = 0;; ++polls) {
        bool done = false;
        if (sdkPortMacCountersCaptureTriggerGet(dev, phy_port, &done) != SDK_OK ||
            (!done && polls >= g_cb.capture_poll_limit)) {
            CONSOLE_Printf(
                "%s[%d] sdkPortMacCountersCaptureTriggerGet failed devid %lu, port %lu\n", __func__,
                __LINE__, static_cast<unsigned long>(dev), static_cast<unsigned long>(phy_port));
            return false;
        }
        if (done) break;
        SYSFUN_Sleep(g_cb.capture_poll_ticks);
    }
    return clear_on_read(dev, phy_port, false);
}

bool DEV_NMTRDRV_ClearAllCounters() {
    uint32_t unit = 0;
    if (!STKTPLG_OM_GetMyUnitID(&unit)) {
        CONSOLE_Printf("%s[%d]: STKTPLG_OM_GetMyUnitID failed\n", __func__, __LINE__);
        return false;
    }
    bool ok = true;
    for (uint32_t port = 1; port <= DEV_NMTRDRV_PORTS_PER_UNIT; ++port) {
        uint8_t dev, phy_port;
        if (!convert(unit, port, &dev, &phy_port)) continue;
        if (!DEV_NMTRDRV_ClearPortCounter(unit, port)) ok = false;
    }
    return ok;
}

bool DEV_NMTRDRV_GetIfStats(uint32_t unit, uint32_t port, uint8_t* record) {
    return read_record(unit, port, record, kIfStats);
}

bool DEV_NMTRDRV_GetIfXStats(uint32_t unit, uint32_t port, uint8_t* record) {
    return read_record(unit, port, record, kIfXStats);
}

bool DEV_NMTRDRV_GetRmonStats(uint32_t unit, uint32_t port, uint8_t* record) {
    return read_record(unit, port, record, kRmonStats);
}

bool DEV_NMTRDRV_GetEtherLikeStats(uint32_t unit, uint32_t port, uint8_t* record) {
    return read_record(unit, port, record, kEtherLikeStats);
}

bool DEV_NMTRDRV_GetPauseStats(uint32_t unit, uint32_t port, uint8_t* record) {
    return read_record(unit, port, record, kPauseStats);
}

void DEV_NMTRDRV_GetSupportedCounters(uint8_t* bitmap) {
    if (!bitmap) return;
    for (uint32_t i = 0; i < DEV_NMTRDRV_SUPPORTED_SIZE; ++i)
        bitmap[i] = kSupported[i];
}
