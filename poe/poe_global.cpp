// The global handlers: requests (key 2) and commands (key 0) of subject 7.
#include <cstring>

#include "poe/poe_internal.h"
#include "sdk/poe_regs.h"

namespace {

constexpr uint8_t kTelemetry = POE_DRV_KEY_TELEMETRY;
constexpr uint16_t kAbsent = 0xFFFF;

uint8_t devices() {
    return poe_drv_cb.device_count;
}

uint32_t total_ports() {
    uint32_t n = 0;
    for (uint8_t d = 0; d < devices(); ++d)
        n += poe_drv_cb.devices[d].ports;
    return n;
}

// A register of every device, summed (rc: the first failure).
int sum(uint16_t reg, uint32_t* out, bool latch = false) {
    *out = 0;
    for (uint8_t d = 0; d < devices(); ++d) {
        uint16_t v;
        int rc;
        if ((latch && (rc = POE_DRV_Latch(d))) || (rc = POE_DRV_DeviceRead(d, reg, &v))) return rc;
        *out += v;
    }
    return POE_DRV_OK;
}

// A register of devices first..first+3, 0xFFFF for one that does not answer.
void four(uint16_t reg, uint8_t first, uint16_t out[4]) {
    for (uint8_t i = 0; i < 4; ++i)
        if (POE_DRV_DeviceRead(first + i, reg, &out[i])) out[i] = kAbsent;
}

int pack_four(uint16_t reg, uint8_t first) {
    uint16_t v[4];
    four(reg, first, v);
    POE_DRV_Pack(kTelemetry, "%w%w%w%w", {v[0], v[1], v[2], v[3]});
    return POE_DRV_OK;
}

// Status of the ports first..first+10, one state byte each (0xFF beyond the last port).
int port_states(uint32_t first) {
    uint8_t s[11];
    for (uint32_t i = 0; i < 11; ++i) {
        uint16_t status;
        int rc = POE_DRV_PortRead(first + i, POE_REG_CH_STATUS, &status);
        if (rc == POE_DRV_ERR_NO_PORT || rc == POE_DRV_REPORT_PORT) {
            s[i] = 0xFF;
            continue;
        }
        if (rc) return rc;
        s[i] = static_cast<uint8_t>(status & 0x0F);
    }
    POE_DRV_Pack(kTelemetry, "%c%c%c%c%c%c%c%c%c%c%c",
                 {s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9], s[10]});
    return POE_DRV_OK;
}

// Counts of a device after a latch: delivering, denied, detected; allocated, budget.
int device_summary(uint8_t d) {
    uint16_t deliv, denied, det, alloc, budget;
    int rc;
    if ((rc = POE_DRV_Latch(d)) || (rc = POE_DRV_DeviceRead(d, POE_REG_DELIVERING, &deliv)) ||
        (rc = POE_DRV_DeviceRead(d, POE_REG_DENIED, &denied)) ||
        (rc = POE_DRV_DeviceRead(d, POE_REG_DETECTED, &det)) ||
        (rc = POE_DRV_DeviceRead(d, POE_REG_ALLOCATED, &alloc)) ||
        (rc = POE_DRV_DeviceRead(d, POE_REG_BUDGET, &budget)))
        return rc;
    POE_DRV_Pack(kTelemetry, "%c%c%c%w%w", {deliv, denied, det, alloc, budget});
    return POE_DRV_OK;
}

int pack_regs(uint32_t d, const char* fmt, uint16_t r1, uint16_t r2) {
    uint16_t a, b;
    int rc;
    if ((rc = POE_DRV_DeviceRead(d, r1, &a)) || (rc = POE_DRV_DeviceRead(d, r2, &b))) return rc;
    POE_DRV_Pack(kTelemetry, fmt, {a, b});
    return POE_DRV_OK;
}

// Subject 1 0x0B: the supply and system values named by subject 2.
int request_0b(const uint8_t* msg) {
    uint16_t a, b, c;
    int rc;
    switch (msg[4]) {
        case 0x17: {  // supply: consumed (0.1 W), budget (W), allocated (0.1 W), bank, voltage
            uint32_t raw, budget, alloc;
            if ((rc = sum(POE_REG_TOTAL_POWER, &raw, true))) return rc;
            const uint32_t power = POE_DRV_ScalePower(raw);
            if ((rc = sum(POE_REG_BUDGET, &budget)) || (rc = sum(POE_REG_ALLOCATED, &alloc)) ||
                (rc = POE_DRV_DeviceRead(0, POE_REG_BANK, &b)) ||
                (rc = POE_DRV_DeviceRead(0, POE_REG_VMAIN, &c)))
                return rc;
            POE_DRV_Pack(kTelemetry, "%w%w%w%c%w", {power, budget, alloc, b, POE_DRV_Tenths(c)});
            return POE_DRV_OK;
        }
        case 0x57: {  // power bank (byte 5): its budget, the budget in effect, the active bank
            if (msg[5] > 7) return POE_DRV_REPORT_CHANNEL;
            if ((rc = POE_DRV_DeviceRead(0, POE_REG_BANK_BUDGET + 2 * msg[5], &a)) ||
                (rc = POE_DRV_DeviceRead(0, POE_REG_BUDGET, &b)) ||
                (rc = POE_DRV_DeviceRead(0, POE_REG_BANK, &c)))
                return rc;
            POE_DRV_Pack(kTelemetry, "%w%w%w", {a, b, c});
            return POE_DRV_OK;
        }
        case 0x5F:  // power on (bit 6), auto-restore (bit 4)
            if ((rc = POE_DRV_DeviceRead(0, POE_REG_SYSTEM, &a))) return rc;
            POE_DRV_Pack(kTelemetry, "%c%c", {(a >> 6) & 1, (a >> 4) & 1});
            return POE_DRV_OK;
        case 0xA4:
        case 0xA5: {  // measurements of device (byte 5) after a latch
            if (msg[5] > 7) return POE_DRV_REPORT_CHANNEL;
            uint8_t m[18], counts[6];
            if ((rc = POE_DRV_Latch(msg[5])) ||
                (rc = POE_DRV_DeviceReadBytes(msg[5], POE_REG_VMAIN, m, sizeof m)) ||
                (rc = POE_DRV_DeviceReadBytes(msg[5], POE_REG_DELIVERING, counts, sizeof counts)))
                return rc;
            auto reg = [](const uint8_t* p, int i) {
                return static_cast<uint16_t>(p[2 * i] << 8 | p[2 * i + 1]);
            };
            if (msg[4] == 0xA4)  // voltage (0.1 V), current (mA), temperature, power good
                POE_DRV_Pack(kTelemetry, "%w%w%c%w%w",
                             {POE_DRV_Tenths(reg(m, 0)), reg(m, 1), POE_DRV_TempFromReg(reg(m, 2)),
                              reg(m, 6), reg(m, 7)});
            else  // delivering, detected, denied, peak temperature
                POE_DRV_Pack(kTelemetry, "%c%c%c%c",
                             {reg(counts, 0), reg(counts, 1), reg(counts, 2),
                              POE_DRV_TempFromReg(reg(m, 8))});
            return POE_DRV_OK;
        }
        case 0x1A:  // firmware version, major and minor
            return pack_regs(0, "%c%c", POE_REG_VERSION_MAJOR, POE_REG_VERSION_MINOR);
        default:
            return POE_DRV_REPORT_SUBJECT2;
    }
}

}  // namespace

int POE_DRV_GlobalRequest(const uint8_t* msg) {
    const uint8_t code = msg[3];
    const uint8_t dev = msg[4];  // the device of codes that name one
    uint16_t a, b;
    uint32_t s1, s2;
    int rc;
    if (code >= 0x85 && code <= 0x8C) return device_summary(code - 0x85);
    if (code >= 0x8D && code <= 0x94)
        return pack_regs(code - 0x8D, "%w%w", POE_REG_POWER_GOOD, POE_REG_POWER_GOOD + 2);
    switch (code) {
        case 0x0B:
            return request_0b(msg);
        case 0x1E:
            if (msg[4] == 0x5E) return pack_four(POE_REG_DEVICE_ID, 0);
            if (msg[4] == 0x21) {  // power on, auto-restore, devices, ports, ports powered,
                                   // ports denied, power allocated
                uint32_t deliv, denied, alloc;
                if ((rc = POE_DRV_DeviceRead(0, POE_REG_SYSTEM, &a)) ||
                    (rc = sum(POE_REG_DELIVERING, &deliv, true)) ||
                    (rc = sum(POE_REG_DENIED, &denied)) || (rc = sum(POE_REG_ALLOCATED, &alloc)))
                    return rc;
                POE_DRV_Pack(
                    kTelemetry, "%c%c%c%w%c%c%w",
                    {(a >> 6) & 1, (a >> 4) & 1, devices(), total_ports(), deliv, denied, alloc});
                return POE_DRV_OK;
            }
            return POE_DRV_REPORT_SUBJECT2;
        case 0x0C: {  // the product name
            uint8_t name[POE_NAME_LEN];
            if ((rc = POE_DRV_DeviceReadBytes(0, POE_REG_NAME, name, sizeof name))) return rc;
            POE_DRV_Pack(kTelemetry, "%c%S", {POE_NAME_LEN, POE_NAME_LEN, name});
            return POE_DRV_OK;
        }
        case 0x2B:
        case 0x5A:  // the system register (0x5A: of device byte 4)
            if ((rc = POE_DRV_DeviceRead(code == 0x2B ? 0 : dev, POE_REG_SYSTEM, &a))) return rc;
            POE_DRV_Pack(kTelemetry, "%w", {a});
            return POE_DRV_OK;
        case 0x31:
            return port_states(0);
        case 0x32:
            return port_states(11);
        case 0x33:
            return port_states(22);
        case 9: {  // version (major x 256 + minor), device id, devices
            uint16_t major, minor;
            if ((rc = POE_DRV_DeviceRead(0, POE_REG_VERSION_MAJOR, &major)) ||
                (rc = POE_DRV_DeviceRead(0, POE_REG_VERSION_MINOR, &minor)) ||
                (rc = POE_DRV_DeviceRead(0, POE_REG_DEVICE_ID, &a)))
                return rc;
            POE_DRV_Pack(kTelemetry, "%w%w%c", {POE_DRV_Halves(major, minor), a, devices()});
            return POE_DRV_OK;
        }
        case 0x11:  // active bank and the budget in effect
        case 0x50:  // the same of device byte 4
            return pack_regs(code == 0x11 ? 0 : dev, "%c%w", POE_REG_BANK, POE_REG_BUDGET);
        case 0x29:  // power on, auto-restore of every device
        {
            uint32_t on = 0, restore = 0;
            for (uint8_t d = 0; d < devices(); ++d) {
                if ((rc = POE_DRV_DeviceRead(d, POE_REG_SYSTEM, &a))) return rc;
                on += (a >> 6) & 1;
                restore += (a >> 4) & 1;
            }
            POE_DRV_Pack(kTelemetry, "%c%c%c", {devices(), on, restore});
            return POE_DRV_OK;
        }
        case 0x2E:
        case 0x2F:  // power allocated (0.1 W) / budget (W) of all devices
            if ((rc = sum(code == 0x2E ? POE_REG_ALLOCATED : POE_REG_BUDGET, &s1))) return rc;
            POE_DRV_Pack(kTelemetry, "%w", {s1});
            return POE_DRV_OK;
        case 0x3A:  // live temperature of device byte 4, degrees C
            if ((rc = POE_DRV_DeviceRead(dev, POE_REG_TEMP_LIVE, &a))) return rc;
            POE_DRV_Pack(kTelemetry, "%c", {POE_DRV_TempFromReg(a)});
            return POE_DRV_OK;
        case 0x3D:  // power good of device byte 4
            return pack_regs(dev, "%w%w", POE_REG_POWER_GOOD, POE_REG_POWER_GOOD + 2);
        case 0x47:
        case 0x48:
        case 0x49: {  // ports delivering / denied / detected, all devices, after a latch
            const uint16_t reg = code == 0x47   ? POE_REG_DELIVERING
                                 : code == 0x48 ? POE_REG_DENIED
                                                : POE_REG_DETECTED;
            if ((rc = sum(reg, &s1, true))) return rc;
            POE_DRV_Pack(kTelemetry, "%c", {s1});
            return POE_DRV_OK;
        }
        case 0x4B:  // channels and device id of device byte 4
            if ((rc = POE_DRV_DeviceRead(dev, POE_REG_DEVICE_ID, &a))) return rc;
            POE_DRV_Pack(kTelemetry, "%c%w", {poe_drv_cb.devices[dev].ports, a});
            return POE_DRV_OK;
        case 0x4C:  // allocated (0.1 W) and budget (W) of device byte 4
            return pack_regs(dev, "%w%w", POE_REG_ALLOCATED, POE_REG_BUDGET);
        case 0x4D:  // consumed power of device byte 4 after a latch, 0.1 W
            if ((rc = POE_DRV_Latch(dev)) ||
                (rc = POE_DRV_DeviceRead(dev, POE_REG_TOTAL_POWER, &a)))
                return rc;
            POE_DRV_Pack(kTelemetry, "%w", {POE_DRV_ScalePower(a)});
            return POE_DRV_OK;
        case 0x4F:  // supply voltage (0.1 V) and current (mA) of device byte 4
            if ((rc = POE_DRV_Latch(dev)) || (rc = POE_DRV_DeviceRead(dev, POE_REG_VMAIN, &a)) ||
                (rc = POE_DRV_DeviceRead(dev, POE_REG_IMAIN, &b)))
                return rc;
            POE_DRV_Pack(kTelemetry, "%w%w", {POE_DRV_Tenths(a), b});
            return POE_DRV_OK;
        case 0x56:
        case 0x59: {  // budgets of power banks 0-3 / 4-7
            uint16_t v[4];
            for (int i = 0; i < 4; ++i) {
                const int bank = (code == 0x56 ? 0 : 4) + i;
                if ((rc = POE_DRV_DeviceRead(0, POE_REG_BANK_BUDGET + 2 * bank, &v[i]))) return rc;
            }
            POE_DRV_Pack(kTelemetry, "%w%w%w%w", {v[0], v[1], v[2], v[3]});
            return POE_DRV_OK;
        }
        case 0x61: {  // hottest temperature seen by any device, after a latch
            int hottest = -40;
            for (uint8_t d = 0; d < devices(); ++d) {
                if ((rc = POE_DRV_Latch(d)) || (rc = POE_DRV_DeviceRead(d, POE_REG_TEMP_PEAK, &a)))
                    return rc;
                if (POE_DRV_TempFromReg(a) > hottest) hottest = POE_DRV_TempFromReg(a);
            }
            POE_DRV_Pack(kTelemetry, "%c", {hottest});
            return POE_DRV_OK;
        }
        case 0x63:  // devices and ports
            POE_DRV_Pack(kTelemetry, "%c%c", {devices(), total_ports()});
            return POE_DRV_OK;
        case 0x95:
        case 0x96:  // power allocated per device, 0-3 / 4-7
            return pack_four(POE_REG_ALLOCATED, code == 0x95 ? 0 : 4);
        case 0x98:
        case 0x99:  // budget per device, 0-3 / 4-7
            return pack_four(POE_REG_BUDGET, code == 0x98 ? 0 : 4);
        case 0x9C:  // budget, allocated (both 0.1 W) and the power left
            if ((rc = sum(POE_REG_BUDGET, &s1)) || (rc = sum(POE_REG_ALLOCATED, &s2))) return rc;
            POE_DRV_Pack(
                kTelemetry, "%w%w%w",
                {s1 * 10, s2,
                 POE_DRV_AbsDiff(static_cast<uint16_t>(s1 * 10), static_cast<uint16_t>(s2))});
            return POE_DRV_OK;
        default:
            return POE_DRV_REPORT_SUBJECT1;
    }
}

namespace {

// Writes a register of every device (the first failure stops).
int write_all(uint16_t reg, uint16_t value) {
    for (uint8_t d = 0; d < devices(); ++d)
        if (int rc = POE_DRV_DeviceWrite(d, reg, value)) return rc;
    return POE_DRV_OK;
}

// Read-modify-write of every port's configuration of every device.
int config_all(uint16_t mask, uint16_t bits) {
    for (uint8_t d = 0; d < devices(); ++d)
        for (uint8_t ch = 0; ch < poe_drv_cb.devices[d].ports; ++ch) {
            uint16_t v;
            const uint16_t reg = static_cast<uint16_t>(POE_REG_CH_CONFIG + 2 * ch);
            if (int rc = POE_DRV_DeviceRead(d, reg, &v)) return rc;
            if (int rc = POE_DRV_DeviceWrite(d, reg, static_cast<uint16_t>((v & ~mask) | bits)))
                return rc;
        }
    return POE_DRV_OK;
}

int set_system_bit(uint16_t bit, uint8_t on) {
    if (on > 1) return POE_DRV_ERR_RANGE;
    for (uint8_t d = 0; d < devices(); ++d) {
        uint16_t v;
        if (int rc = POE_DRV_DeviceRead(d, POE_REG_SYSTEM, &v)) return rc;
        v = static_cast<uint16_t>(on ? v | bit : v & ~bit);
        if (int rc = POE_DRV_DeviceWrite(d, POE_REG_SYSTEM, v)) return rc;
    }
    return POE_DRV_OK;
}

}  // namespace

int POE_DRV_GlobalCommand(const uint8_t* msg) {
    switch (msg[3]) {
        case 9:  // every device back to its power-on configuration
            return write_all(POE_REG_RESET, 1);
        case 0x0B:  // budget (bytes 5-6, W) of power bank byte 4
            if (msg[4] > 7) return POE_DRV_REPORT_CHANNEL;
            return write_all(POE_REG_BANK_BUDGET + 2 * msg[4], POE_DRV_Data16(msg, 5));
        case 0x11:  // the active power bank (byte 4)
            if (msg[4] > 7) return POE_DRV_REPORT_CHANNEL;
            return write_all(POE_REG_BANK, msg[4]);
        case 0x29:  // power on or off (byte 4)
            return set_system_bit(POE_SYSTEM_POWER, msg[4]);
        case 0x3D:  // auto-restore of denied ports (byte 4)
            return set_system_bit(POE_SYSTEM_AUTO_RESTORE, msg[4]);
        case 0x5F:  // both system bits: power (byte 4), auto-restore (byte 5)
            if (msg[4] > 1 || msg[5] > 1) return POE_DRV_ERR_RANGE;
            return write_all(POE_REG_SYSTEM,
                             static_cast<uint16_t>((msg[4] ? POE_SYSTEM_POWER : 0) |
                                                   (msg[5] ? POE_SYSTEM_AUTO_RESTORE : 0)));
        case 0x2B:  // the system register (bytes 4-5)
            return write_all(POE_REG_SYSTEM, POE_DRV_Data16(msg, 4));
        case 0x2E:  // every port on
            return config_all(POE_CH_ENABLE, POE_CH_ENABLE);
        case 0x2F:  // every port off
            return config_all(POE_CH_ENABLE, 0);
        case 0x43: {  // power limit of every port (bytes 4-5, 0.1 W)
            for (uint8_t d = 0; d < devices(); ++d)
                for (uint8_t ch = 0; ch < poe_drv_cb.devices[d].ports; ++ch)
                    if (int rc = POE_DRV_DeviceWrite(d, POE_REG_CH_LIMIT + 2 * ch,
                                                     POE_DRV_Data16(msg, 4)))
                        return rc;
            return POE_DRV_OK;
        }
        case 0x56:  // priority of every port (byte 4)
            if (msg[4] > 2) return POE_DRV_ERR_RANGE;
            return config_all(POE_CH_PRIORITY_MASK,
                              static_cast<uint16_t>(msg[4] << POE_CH_PRIORITY_SHIFT));
        case 0x87: {  // budget (bytes 5-6, W) of device byte 4, in its active bank
            uint16_t bank;
            if (int rc = POE_DRV_DeviceRead(msg[4], POE_REG_BANK, &bank)) return rc;
            return POE_DRV_DeviceWrite(msg[4], POE_REG_BANK_BUDGET + 2 * (bank & 7),
                                       POE_DRV_Data16(msg, 5));
        }
        case 0xA7:  // latch every device's measurements
            for (uint8_t d = 0; d < devices(); ++d)
                if (int rc = POE_DRV_Latch(d)) return rc;
            return POE_DRV_OK;
        default:
            return POE_DRV_REPORT_SUBJECT1;
    }
}
