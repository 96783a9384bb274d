// What reaches the CPU: the CPU code table with its traffic classes and rate limiters, and the
// CPU port's shaping by the chip's token-bucket MTU setting.
#include <algorithm>
#include <iterator>

#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/console/console.h"

namespace {

struct CodeRow {
    uint16_t code;
    uint8_t tc;
    uint8_t limiter;
};

// Written in this order.
constexpr CodeRow kCodeTable[] = {
    {16, 6, 0},  {32, 3, 0},  {33, 3, 0},  {301, 3, 0}, {300, 5, 0}, {326, 6, 0},
    {410, 5, 2}, {434, 5, 0}, {435, 3, 0}, {304, 1, 0}, {306, 5, 0}, {307, 1, 0},
    {308, 1, 0}, {309, 1, 0}, {420, 1, 0}, {427, 1, 0}, {322, 3, 0}, {400, 3, 0},
    {405, 0, 0}, {406, 0, 0}, {464, 5, 0}, {441, 5, 0}, {37, 0, 1},  {271, 0, 1},
    {19, 4, 0},  {154, 1, 1}, {192, 1, 1}, {417, 4, 0}, {424, 4, 0}, {500, 5, 0},
};
static_assert(std::size(kCodeTable) == 30);

// Packets per second of the limiters 1 and 2.
constexpr uint32_t kLimiterRates[] = {100, 0};

// CPU port shaping by token-bucket MTU setting: port rate, burst, per-queue factor.
struct Shaping {
    uint32_t rate, burst, factor;
};
constexpr Shaping kShaping[] = {{12000, 187, 1536}, {16000, 250, 2048}, {80000, 1250, 10240}};
constexpr uint32_t kQueueBase = 800;

}  // namespace

void DEV_SWDRV_CpuCodeLimiterFor(uint32_t packets_per_sec, uint32_t resolution_ns, uint32_t* window,
                                 uint32_t* packets) {
    // The longest window up to one second that the limiter holds, and the packets of the
    // rate in it.
    uint64_t w = resolution_ns ? 1000000000ull / resolution_ns : SDK_CPU_CODE_WINDOW_MAX;
    w = std::clamp<uint64_t>(w, 1, SDK_CPU_CODE_WINDOW_MAX);
    uint64_t n = (uint64_t{packets_per_sec} * w * resolution_ns + 500000000ull) / 1000000000ull;
    *window = static_cast<uint32_t>(w);
    *packets = static_cast<uint32_t>(std::min<uint64_t>(n, SDK_CPU_CODE_PKT_LIMIT_MAX));
}

bool DEV_SWDRV_InitCpuCodeMap2Tc(uint32_t device_id) {
    DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    if (device_id >= DEV_SWDRV_MAX_DEVICES) return SWDRV_BAD_ARG("no such device");
    const uint8_t dev = static_cast<uint8_t>(device_id);
    bool ok = true;
    SDK_DEV_INFO info{};
    SDK_STATUS rc = sdkCfgDevInfoGet(dev, &info);
    uint32_t resolution = 0;
    if (rc == SDK_OK && info.coreClock) {
        resolution = 32000 / info.coreClock * 2047;
        rc = sdkNetIfCpuCodeRateLimiterWindowResolutionSet(dev, resolution);
    } else if (rc == SDK_OK) {
        rc = SDK_BAD_PARAM;  // a device without a core clock
    }
    if (rc != SDK_OK) {
        CONSOLE_Printf("%s(%d):sdkNetIfCpuCodeRateLimiterWindowResolutionSet error(rc=%d)\n",
                       __func__, __LINE__, static_cast<int>(rc));
        ok = false;
    }
    for (uint32_t i = 0; i < std::size(kLimiterRates); ++i) {
        uint32_t window = 0, packets = 0;
        DEV_SWDRV_CpuCodeLimiterFor(kLimiterRates[i], resolution, &window, &packets);
        if (SDK_STATUS lrc = sdkNetIfCpuCodeRateLimiterSet(dev, i + 1, window, packets)) {
            CONSOLE_Printf("%s(%d):sdkNetIfCpuCodeRateLimiterTableSet error(rc=%d)\n", __func__,
                           __LINE__, static_cast<int>(lrc));
            ok = false;
        }
    }
    SDK_STATUS table_rc = SDK_OK;
    for (const CodeRow& row : kCodeTable) {
        SDK_CPU_CODE_ENTRY e{row.tc, row.limiter};
        table_rc |= sdkNetIfCpuCodeSet(dev, row.code, &e);
        if (row.limiter) ++om.limiter_users[dev][row.limiter - 1];
    }
    if (table_rc != SDK_OK) {
        swdrv::print_sdk_err(__func__, __LINE__, table_rc);
        ok = false;
    }
    return ok;
}

bool DEV_SWDRV_InitCpuPortRateLimit(uint32_t device_id) {
    if (device_id >= DEV_SWDRV_MAX_DEVICES) return SWDRV_BAD_ARG("no such device");
    const uint8_t dev = static_cast<uint8_t>(device_id);
    uint32_t mtu = 0;
    if (SDK_STATUS rc = sdkPortTxShaperTokenBucketMtuGet(dev, &mtu)) {
        swdrv::print_sdk_err("DEV_SWDRV_Reset", __LINE__, rc);
        return false;
    }
    if (mtu >= std::size(kShaping)) {
        CONSOLE_Printf("%s(%d): Unknown MTU enum.\n", __func__, __LINE__);
        return false;
    }
    const Shaping& s = kShaping[mtu];
    SDK_STATUS rc = sdkPortTxToCpuShaperModeSet(dev, SDK_PORT_TX_TO_CPU_SHAPER_BYTES);
    rc |= sdkPortTxShaperProfileSet(dev, SDK_CPU_PORT, s.burst, s.rate);
    rc |= sdkPortTxShaperEnableSet(dev, SDK_CPU_PORT, true);
    const uint32_t q = kQueueBase * s.factor;  // fits 32 bits for every setting
    for (uint8_t tc = 0; tc < SDK_CPU_QUEUES; ++tc) {
        rc |= sdkPortTxQShaperProfileSet(dev, SDK_CPU_PORT, tc, q / 4096, q / 128);
        rc |= sdkPortTxQShaperEnableSet(dev, SDK_CPU_PORT, tc, true);
    }
    if (rc != SDK_OK) {
        swdrv::print_sdk_err("DEV_SWDRV_Reset", __LINE__, rc);
        return false;
    }
    return true;
}
