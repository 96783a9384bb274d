// Reading and converting a module's digital diagnostics.
#include <cmath>
#include <cstring>

#include "monitor/monitor_internal.h"
#include "platform/firmware/firmware.h"
#include "sdk/hwsvc/sysdrv_sfp.h"

namespace {

uint16_t u16(const uint8_t* raw, uint32_t off) {
    return static_cast<uint16_t>(raw[off] << 8 | raw[off + 1]);
}

float f32(const uint8_t* raw, uint32_t off) {
    const uint32_t v = uint32_t{raw[off]} << 24 | uint32_t{raw[off + 1]} << 16 |
                       uint32_t{raw[off + 2]} << 8 | raw[off + 3];
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
}

bool is_qsfp(uint8_t id) {
    return id == SWDRV_MONITOR_ID_QSFP || id == SWDRV_MONITOR_ID_QSFP_PLUS;
}

// The module's calibration: slopes 1 and offsets 0 and a receive curve of Rx1 = 1, unless an
// SFP says it is externally calibrated.
struct Calibration {
    double rx[5] = {0, 0, 0, 1, 0};  // Rx4, Rx3, Rx2, Rx1, Rx0
    double bias_slope = 1, tx_slope = 1, temp_slope = 1, vcc_slope = 1;
    double bias_off = 0, tx_off = 0, temp_off = 0, vcc_off = 0;
};

Calibration calibration(uint32_t idx, const uint8_t* info, const uint8_t* raw) {
    Calibration c;
    if (info[SWDRV_SFP_INFO_OFF_ID] != SWDRV_MONITOR_ID_SFP ||
        !(info[SWDRV_SFP_INFO_OFF_FLAGS] & SWDRV_SFP_FLAG_EXT_CAL))
        return c;
    bool finite = true;
    for (uint32_t i = 0; i < 5; ++i) {
        c.rx[i] = f32(raw, 56 + 4 * i);
        finite = finite && std::isfinite(c.rx[i]);
    }
    if (!finite)
        SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                          "%s(%d): SFP %lu receive power coefficients are not finite numbers\r\n",
                          "SWDRV_MONITOR_ConvertSfpDdmInfoRaw", __LINE__,
                          static_cast<unsigned long>(idx));
    auto slope = [&](uint32_t off) { return u16(raw, off) / 256.0; };
    auto offset = [&](uint32_t off) { return static_cast<double>(int16_t(u16(raw, off))); };
    c.bias_slope = slope(76), c.bias_off = offset(78);
    c.tx_slope = slope(80), c.tx_off = offset(82);
    c.temp_slope = slope(84), c.temp_off = offset(86);
    c.vcc_slope = slope(88), c.vcc_off = offset(90);
    return c;
}

float temperature(const Calibration& c, uint16_t r) {
    // The offset is in the reading's own unit, 1/256 degree C.
    return static_cast<float>(int16_t(r) / 256.0 * c.temp_slope + c.temp_off / 256.0);
}
float voltage(const Calibration& c, uint16_t r) {
    return static_cast<float>((r * c.vcc_slope + c.vcc_off) / 10000.0);
}
float bias(const Calibration& c, uint16_t r) {
    return static_cast<float>((r * c.bias_slope + c.bias_off) / 500.0);
}
float tx_power(const Calibration& c, uint16_t r) {
    return SWDRV_MONITOR_PowerToDbm((r * c.tx_slope + c.tx_off) / 1e7);
}
float rx_power(const Calibration& c, uint16_t r) {
    const double x = r;
    const double p =
        c.rx[0] * x * x * x * x + c.rx[1] * x * x * x + c.rx[2] * x * x + c.rx[3] * x + c.rx[4];
    return SWDRV_MONITOR_PowerToDbm(p / 1e7);
}

// Four thresholds (high alarm, low alarm, high warning, low warning) from off.
template <typename Fn>
void thresholds(float* out, const uint8_t* raw, uint32_t off, Fn convert) {
    for (uint32_t i = 0; i < 4; ++i)
        out[i] = convert(u16(raw, off + 2 * i));
}

void zero_measured(SWDRV_SfpDdmMeasured_T* m) {
    const uint8_t los = m->rx_los;
    std::memset(m, 0, sizeof *m);
    m->rx_los = los;
}

}  // namespace

float SWDRV_MONITOR_PowerToDbm(double watts) {
    if (watts > 1e-7 && watts < 0.0065535) return static_cast<float>(10 * std::log10(watts) + 30);
    return -40.0f;
}

uint16_t SWDRV_MONITOR_DdmGetXFPVoltage(const uint8_t* info, const uint8_t* raw) {
    const uint8_t aux = info[SWDRV_SFP_INFO_OFF_AUX];
    SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR, "%s(%d): aux_type:0x%x\r\n", __func__, __LINE__,
                      aux);
    uint32_t off = 0;
    if ((aux >> 4) == 7)
        off = 106;
    else if ((aux & 0x0F) == 7)
        off = 108;
    SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR, "%s(%d): voltage_offset:0x%lx\r\n", __func__,
                      __LINE__, static_cast<unsigned long>(off));
    const uint16_t val = off ? u16(raw, off) : 0;
    SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR, "%s(%d): val:0x%x\r\n", __func__, __LINE__, val);
    return val;
}

void SWDRV_MONITOR_ConvertSfpDdmInfoRaw(uint32_t idx, const uint8_t* info, const uint8_t* raw,
                                        SWDRV_SfpDdmInfo_T* ddm) {
    const uint8_t id = info[SWDRV_SFP_INFO_OFF_ID];
    const Calibration c = calibration(idx, info, raw);
    const uint32_t temp_off = is_qsfp(id) ? 22 : 96;
    SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_DDM,
                      "%s(%d): SFP %2lu ext_calibrate_needed: %d, temp raw 0x%x, 0x%x, "
                      "t_slope:%lf t_offset:%lf\r\n",
                      __func__, __LINE__, static_cast<unsigned long>(idx),
                      (info[SWDRV_SFP_INFO_OFF_FLAGS] & SWDRV_SFP_FLAG_EXT_CAL) ? 1 : 0,
                      raw[temp_off], raw[temp_off + 1], c.temp_slope, c.temp_off);
    auto t = [&](uint16_t r) { return temperature(c, r); };
    auto v = [&](uint16_t r) { return voltage(c, r); };
    auto b = [&](uint16_t r) { return bias(c, r); };
    auto tx = [&](uint16_t r) { return tx_power(c, r); };
    auto rx = [&](uint16_t r) { return rx_power(c, r); };
    SWDRV_SfpDdmMeasured_T& m = ddm->measured;
    const uint8_t los = m.rx_los;
    std::memset(ddm, 0, sizeof *ddm);
    m.rx_los = los;
    if (is_qsfp(id)) {
        thresholds(ddm->threshold + 0, raw, 128, t);
        thresholds(ddm->threshold + 4, raw, 144, v);
        thresholds(ddm->threshold + 8, raw, 184, b);
        thresholds(ddm->threshold + 16, raw, 176, rx);
        m.temperature = t(u16(raw, 22));
        m.voltage = v(u16(raw, 26));
        for (uint32_t lane = 0; lane < 4; ++lane) {
            m.bias[lane] = b(u16(raw, 42 + 2 * lane));
            m.rx_power[lane] = rx(u16(raw, 34 + 2 * lane));
        }
        return;
    }
    thresholds(ddm->threshold + 0, raw, 0, t);
    thresholds(ddm->threshold + 4, raw, 8, v);
    thresholds(ddm->threshold + 8, raw, 16, b);
    thresholds(ddm->threshold + 12, raw, 24, tx);
    thresholds(ddm->threshold + 16, raw, 32, rx);
    m.temperature = t(u16(raw, 96));
    m.voltage =
        v(id == SWDRV_MONITOR_ID_XFP ? SWDRV_MONITOR_DdmGetXFPVoltage(info, raw) : u16(raw, 98));
    m.bias[0] = b(u16(raw, 100));
    m.tx_power = tx(u16(raw, 102));
    m.rx_power[0] = rx(u16(raw, 104));
}

bool SWDRV_MONITOR_SfpDdmInfoParsing(uint32_t unit, uint32_t idx, const uint8_t* info) {
    SWDRV_SfpDdmInfo_T ddm{};
    uint8_t raw[SWDRV_SFP_DDM_RAW_SIZE] = {};
    const bool has_ddm = info[SWDRV_SFP_INFO_OFF_FLAGS] & SWDRV_SFP_FLAG_DDM;
    const uint8_t id = info[SWDRV_SFP_INFO_OFF_ID];
    if (has_ddm) {
        bool ok = false;
        if (id == SWDRV_MONITOR_ID_SFP) {
            ok = SYSDRV_GetSfpDdmInfo(idx, 0, 128, raw) &&
                 SYSDRV_GetSfpDdmInfo(idx, 128, 128, raw + 128);
        } else if (id == SWDRV_MONITOR_ID_XFP) {
            ok = SYSDRV_GetSfpInfo(idx, 0, 128, raw) && SYSDRV_GetSfpInfo(idx, 128, 128, raw + 128);
        } else if (is_qsfp(id)) {
            const uint8_t page = 3;
            if (!SYSDRV_SetSfpInfo(idx, 127, 1, &page))
                SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                                  "%s(%d): Failed to change QSFP(+)%lu to Page03.\r\n", __func__,
                                  __LINE__, static_cast<unsigned long>(idx));
            else
                ok = SYSDRV_GetSfpInfo(idx, 0, 128, raw) &&
                     SYSDRV_GetSfpInfo(idx, 128, 128, raw + 128);
        }
        SWDRV_OM_SetPortSfpDdmInfoRaw(unit, idx, raw);
        if (!ok) {
            SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                              "%s(%d): Failed to read SFP %lu DDM info from I2C.\r\n", __func__,
                              __LINE__, static_cast<unsigned long>(idx));
        } else {
            SWDRV_MONITOR_ConvertSfpDdmInfoRaw(idx, info, raw, &ddm);
            ddm.measured.rx_los = static_cast<uint8_t>(SWDRV_MONITOR_IsSfpRxLosAsserted(0, idx));
        }
    }
    SWDRV_OM_SetPortSfpDdmInfo(unit, idx, &ddm);
    SWDRV_Notify_PortSfpInfo(unit, idx, info);
    if (has_ddm) SWDRV_Notify_PortSfpDdmInfo(unit, idx, &ddm);
    return true;
}

void SWDRV_MONITOR_PortSfpDdmInfo(uint32_t unit, uint32_t idx) {
    uint8_t info[SWDRV_SFP_INFO_SIZE];
    uint8_t raw[SWDRV_SFP_DDM_RAW_SIZE];
    SWDRV_SfpDdmInfo_T ddm;
    if (idx < 1 || idx > swdrv_monitor::kMaxCage || !SWDRV_OM_GetPortSfpInfo(unit, idx, info) ||
        !SWDRV_OM_GetPortSfpDdmInfo(unit, idx, &ddm) ||
        !SWDRV_OM_GetPortSfpDdmInfoRaw(unit, idx, raw))
        return;
    if (!(info[SWDRV_SFP_INFO_OFF_FLAGS] & SWDRV_SFP_FLAG_DDM)) return;
    const uint8_t id = info[SWDRV_SFP_INFO_OFF_ID];
    uint32_t off = 0, len = 0;
    uint32_t (*read)(uint32_t, uint32_t, uint32_t, uint8_t*) = SYSDRV_GetSfpInfo;
    if (id == SWDRV_MONITOR_ID_SFP)
        off = 96, len = 14, read = SYSDRV_GetSfpDdmInfo;
    else if (id == SWDRV_MONITOR_ID_XFP)
        off = 96, len = 14;
    else if (is_qsfp(id))
        off = 22, len = 28;
    if (len) {
        uint32_t& failures = swdrv_monitor::cb().cage[idx].ddm_failures;
        if (!read(idx, off, len, raw + off)) {
            SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_MONITOR,
                              "%s(%d): Failed to read GBIC %lu DDM info from I2C.\r\n", __func__,
                              __LINE__, static_cast<unsigned long>(idx));
            if (++failures >= swdrv_monitor::kDdmFailLimit) {
                std::memset(raw + off, 0, len);
                SWDRV_OM_SetPortSfpDdmInfoRaw(unit, idx, raw);
                zero_measured(&ddm.measured);
            }
        } else {
            failures = 0;
            SWDRV_OM_SetPortSfpDdmInfoRaw(unit, idx, raw);
            SWDRV_MONITOR_ConvertSfpDdmInfoRaw(idx, info, raw, &ddm);
        }
    }
    ddm.measured.rx_los = static_cast<uint8_t>(SWDRV_MONITOR_IsSfpRxLosAsserted(0, idx));
    SWDRV_OM_SetPortSfpDdmInfo(unit, idx, &ddm);
    uint32_t stack_id = 0;
    SWDRV_OM_GetSystemInfoStackId(&stack_id);
    SWDRV_Notify_PortSfpDdmInfoMeasured(stack_id, idx, &ddm.measured);
    SWDRV_MONITOR_DBG(SWDRV_DEBUG_FLAG_DDM,
                      "%s(%d): SFP %2lu temperature: %f degree C(up_time=%lu secs)\r\n", __func__,
                      __LINE__, static_cast<unsigned long>(idx),
                      static_cast<double>(ddm.measured.temperature),
                      static_cast<unsigned long>(SYS_TIME_GetSystemUpTimeByTick() / 100));
}
