// The switch driver's object manager for transceivers, and the transceiver notifications.
#include "platform/firmware/swdrv_om.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/common/byteorder.h"
#include "platform/components/calllog.h"
#include "platform/components/faults.h"
#include "platform/simctl/simctl.h"
#include "platform/stktplg/stktplg.h"
#include "platform/sysfun/ipc_msg.h"

namespace {

constexpr uint32_t kDefaultPresentDelay = 200;  // ticks: 2 seconds

struct Cage {
    bool present = false;
    bool info_valid = false;
    uint8_t info[SWDRV_SFP_INFO_SIZE] = {};
    SWDRV_SfpDdmInfo_T ddm = {};
    uint8_t raw[SWDRV_SFP_DDM_RAW_SIZE] = {};
};

struct Om {
    std::mutex mu;
    Cage cages[SWDRV_OM_MAX_UNITS][SWDRV_OM_MAX_SFP];
    uint8_t bitmap[SWDRV_OM_MAX_UNITS][SWDRV_SFP_PRESENT_BITMAP_SIZE] = {};
    uint32_t debug_flag = 0;
};

Om& om() {
    static Om o;
    return o;
}

// Runs fn(cage) under the lock; false for a unit or cage the OM does not keep.
template <typename Fn>
bool on_cage(uint32_t unit, uint32_t idx, Fn fn) {
    if (unit < 1 || unit > SWDRV_OM_MAX_UNITS || idx < 1 || idx > SWDRV_OM_MAX_SFP) return false;
    Om& o = om();
    std::lock_guard<std::mutex> lock(o.mu);
    fn(o.cages[unit - 1][idx - 1]);
    return true;
}

uint32_t float_bits(float f) {
    uint32_t v;
    std::memcpy(&v, &f, sizeof v);
    return v;
}

bool sfp_read(void* msg) {
    uint8_t* p = ipcmsg::payload(msg);
    uint32_t unit = ipcmsg::msg_size(msg) >= 8 ? ipcmsg::word(msg, 0) : 0;
    uint32_t idx = ipcmsg::msg_size(msg) >= 8 ? ipcmsg::word(msg, 1) : 0;
    Cage c;
    bool ok = on_cage(unit, idx, [&](Cage& k) { c = k; });
    std::memset(p, 0, 4 + SWDRV_OM_SFP_READ_SIZE);
    p[0] = ok ? 1 : 0;
    if (!ok) {
        ipcmsg::set_msg_size(msg, 4);
        return true;
    }
    uint8_t* out = p + 4;
    out[0] = c.present;
    out[1] = c.info_valid;
    std::memcpy(out + 4, c.info, SWDRV_SFP_INFO_SIZE);
    const float* f = reinterpret_cast<const float*>(&c.ddm);
    for (int i = 0; i < 31; ++i)
        be::put32(out + 92 + 4 * i, float_bits(f[i]));
    out[92 + 124] = c.ddm.measured.rx_los;
    std::memcpy(out + 92 + 128, c.raw, SWDRV_SFP_DDM_RAW_SIZE);
    ipcmsg::set_msg_size(msg, static_cast<uint16_t>(4 + SWDRV_OM_SFP_READ_SIZE));
    return true;
}

}  // namespace

bool SWDRV_OM_GetSystemInfoStackId(uint32_t* stack_id) {
    return stack_id && STKTPLG_OM_GetMyUnitID(stack_id);
}

bool SWDRV_OM_GetPortSfpPresent(uint32_t unit, uint32_t idx, bool* present) {
    return present && on_cage(unit, idx, [&](Cage& c) { *present = c.present; });
}

bool SWDRV_OM_SetPortSfpPresent(uint32_t unit, uint32_t idx, bool present) {
    calllog::recordf("SWDRV", "SWDRV_OM_SetPortSfpPresent(%u, %u, %d)", unit, idx, present);
    return on_cage(unit, idx, [&](Cage& c) { c.present = present; });
}

bool SWDRV_OM_GetPortSfpPresentStatusBitmaps(uint32_t unit, uint8_t* bitmap) {
    if (!bitmap || unit < 1 || unit > SWDRV_OM_MAX_UNITS) return false;
    std::lock_guard<std::mutex> lock(om().mu);
    std::memcpy(bitmap, om().bitmap[unit - 1], SWDRV_SFP_PRESENT_BITMAP_SIZE);
    return true;
}

bool SWDRV_OM_SetPortSfpPresentStatusBitmaps(uint32_t unit, const uint8_t* bitmap) {
    if (!bitmap || unit < 1 || unit > SWDRV_OM_MAX_UNITS) return false;
    calllog::recordf("SWDRV", "SWDRV_OM_SetPortSfpPresentStatusBitmaps(%u, %02x%02x)", unit,
                     bitmap[2], bitmap[3]);
    std::lock_guard<std::mutex> lock(om().mu);
    std::memcpy(om().bitmap[unit - 1], bitmap, SWDRV_SFP_PRESENT_BITMAP_SIZE);
    return true;
}

bool SWDRV_OM_GetPortSfpInfoValid(uint32_t unit, uint32_t idx, bool* valid) {
    return valid && on_cage(unit, idx, [&](Cage& c) { *valid = c.info_valid; });
}

bool SWDRV_OM_SetPortSfpInfoValid(uint32_t unit, uint32_t idx, bool valid) {
    calllog::recordf("SWDRV", "SWDRV_OM_SetPortSfpInfoValid(%u, %u, %d)", unit, idx, valid);
    return on_cage(unit, idx, [&](Cage& c) { c.info_valid = valid; });
}

bool SWDRV_OM_GetPortSfpInfo(uint32_t unit, uint32_t idx, uint8_t* info) {
    return info && on_cage(unit, idx, [&](Cage& c) { std::memcpy(info, c.info, sizeof c.info); });
}

bool SWDRV_OM_SetPortSfpInfo(uint32_t unit, uint32_t idx, const uint8_t* info) {
    if (!info) return false;
    calllog::recordf("SWDRV", "SWDRV_OM_SetPortSfpInfo(%u, %u, id=0x%02x)", unit, idx, info[1]);
    return on_cage(unit, idx, [&](Cage& c) { std::memcpy(c.info, info, sizeof c.info); });
}

bool SWDRV_OM_GetPortSfpDdmInfo(uint32_t unit, uint32_t idx, SWDRV_SfpDdmInfo_T* ddm) {
    return ddm && on_cage(unit, idx, [&](Cage& c) { *ddm = c.ddm; });
}

bool SWDRV_OM_SetPortSfpDdmInfo(uint32_t unit, uint32_t idx, const SWDRV_SfpDdmInfo_T* ddm) {
    if (!ddm) return false;
    calllog::recordf("SWDRV", "SWDRV_OM_SetPortSfpDdmInfo(%u, %u, t=%.2f)", unit, idx,
                     ddm->measured.temperature);
    return on_cage(unit, idx, [&](Cage& c) { c.ddm = *ddm; });
}

bool SWDRV_OM_GetPortSfpDdmInfoRaw(uint32_t unit, uint32_t idx, uint8_t* raw) {
    return raw && on_cage(unit, idx, [&](Cage& c) { std::memcpy(raw, c.raw, sizeof c.raw); });
}

bool SWDRV_OM_SetPortSfpDdmInfoRaw(uint32_t unit, uint32_t idx, const uint8_t* raw) {
    if (!raw) return false;
    calllog::recordf("SWDRV", "SWDRV_OM_SetPortSfpDdmInfoRaw(%u, %u)", unit, idx);
    return on_cage(unit, idx, [&](Cage& c) { std::memcpy(c.raw, raw, sizeof c.raw); });
}

uint32_t SWDRV_OM_GetOperatingMode() {
    return static_cast<uint32_t>(faults::answer("SWDRV_OM_GetOperatingMode", 1));
}

uint32_t SWDRV_OM_GetSfpPresentDelay() {
    static const uint32_t delay = [] {
        const char* e = std::getenv("DRIVER_PROC_SFP_PRESENT_DELAY");
        return e && *e ? static_cast<uint32_t>(std::strtoul(e, nullptr, 0)) : kDefaultPresentDelay;
    }();
    return static_cast<uint32_t>(faults::answer("SWDRV_OM_GetSfpPresentDelay", delay));
}

uint32_t SWDRV_OM_GetDebugFlag() {
    uint32_t flags;
    {
        std::lock_guard<std::mutex> lock(om().mu);
        flags = om().debug_flag;
    }
    return static_cast<uint32_t>(faults::answer("SWDRV_OM_GetDebugFlag", flags));
}

void SWDRV_OM_SetDebugFlag(uint32_t flags) {
    std::lock_guard<std::mutex> lock(om().mu);
    om().debug_flag = flags;
}

void SWDRV_OM_ResetSfp() {
    Om& o = om();
    std::lock_guard<std::mutex> lock(o.mu);
    for (auto& unit : o.cages)
        for (Cage& c : unit)
            c = Cage{};
    std::memset(o.bitmap, 0, sizeof o.bitmap);
}

void SWDRV_SfpInserted(uint32_t unit, uint32_t idx) {
    calllog::recordf("SWDRV", "SWDRV_SfpInserted(%u, %u)", unit, idx);
}

void SWDRV_SfpRemoved(uint32_t unit, uint32_t idx) {
    calllog::recordf("SWDRV", "SWDRV_SfpRemoved(%u, %u)", unit, idx);
}

void SWDRV_Notify_PortSfpInfo(uint32_t unit, uint32_t idx, const uint8_t* info) {
    if (!info) return;
    char vendor[17] = {}, pn[17] = {};
    std::memcpy(vendor, info + 14, 16);
    std::memcpy(pn, info + 34, 16);
    calllog::recordf("SWDRV", "SWDRV_Notify_PortSfpInfo(%u, %u, id=0x%02x, vendor=%.16s, pn=%.16s)",
                     unit, idx, info[1], vendor, pn);
}

void SWDRV_Notify_PortSfpDdmInfo(uint32_t unit, uint32_t idx, const SWDRV_SfpDdmInfo_T* ddm) {
    if (!ddm) return;
    calllog::recordf("SWDRV", "SWDRV_Notify_PortSfpDdmInfo(%u, %u, t=%.2f, t_ha=%.2f, t_hw=%.2f)",
                     unit, idx, ddm->measured.temperature, ddm->threshold[0], ddm->threshold[2]);
}

void SWDRV_Notify_PortSfpDdmInfoMeasured(uint32_t stack_id, uint32_t idx,
                                         const SWDRV_SfpDdmMeasured_T* m) {
    if (!m) return;
    calllog::recordf("SWDRV",
                     "SWDRV_Notify_PortSfpDdmInfoMeasured(%u, %u, t=%.2f v=%.4f b=%.3f tx=%.2f "
                     "rx=%.2f los=%u)",
                     stack_id, idx, m->temperature, m->voltage, m->bias[0], m->tx_power,
                     m->rx_power[0], m->rx_los);
}

void SWDRV_OM_RegisterSimctl() {
    simctl::register_handler(SWDRV_OM_SIMCTL_SFP_READ, sfp_read);
}

namespace {
// The OM answers `drvctl transceiver` in any process that holds it.
[[maybe_unused]] const bool g_registered = (SWDRV_OM_RegisterSimctl(), true);
}  // namespace
