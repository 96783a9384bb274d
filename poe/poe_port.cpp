// The per-port handlers: requests (key 2) and commands (key 0) of subject 5, with the
// logical PoE port (0..95) in byte 4.
#include "poe/poe_internal.h"
#include "sdk/poe_regs.h"

namespace {

// The port's settings and state: enable, state, class, allocated power (0.1 W), priority,
// detected, power limit (0.1 W).
int port_status(uint32_t port) {
    uint16_t config, status, alloc, limit;
    int rc;
    if ((rc = POE_DRV_PortRead(port, POE_REG_CH_CONFIG, &config)) ||
        (rc = POE_DRV_PortRead(port, POE_REG_CH_STATUS, &status)) ||
        (rc = POE_DRV_PortRead(port, POE_REG_CH_ALLOC, &alloc)) ||
        (rc = POE_DRV_PortRead(port, POE_REG_CH_LIMIT, &limit)))
        return rc;
    POE_DRV_Pack(POE_DRV_KEY_TELEMETRY, "%c%c%c%w%c%c%w",
                 {config & POE_CH_ENABLE, status & 0x0F, (status >> POE_CH_CLASS_SHIFT) & 7, alloc,
                  (config & POE_CH_PRIORITY_MASK) >> POE_CH_PRIORITY_SHIFT,
                  (status & POE_CH_DETECTED) ? 1 : 0, limit});
    return POE_DRV_OK;
}

// The port's measurements after a latch: voltage (0.1 V), current (mA), power (0.1 W).
int port_measurements(uint32_t port) {
    uint8_t d, ch;
    uint16_t volt, cur, power;
    int rc;
    if ((rc = POE_DRV_MapPort(port, &d, &ch)) || (rc = POE_DRV_Latch(d)) ||
        (rc = POE_DRV_PortRead(port, POE_REG_CH_VOLTAGE, &volt)) ||
        (rc = POE_DRV_PortRead(port, POE_REG_CH_CURRENT, &cur)) ||
        (rc = POE_DRV_PortRead(port, POE_REG_CH_POWER, &power)))
        return rc;
    POE_DRV_Pack(POE_DRV_KEY_TELEMETRY, "%w%w%w", {POE_DRV_Tenths(volt), cur, power});
    return POE_DRV_OK;
}

// Read-modify-write of the port's configuration register.
int set_config(uint32_t port, int enable, int priority) {
    if ((enable >= 0 && enable > 1) || (priority >= 0 && priority > 2)) return POE_DRV_ERR_RANGE;
    uint16_t config;
    if (int rc = POE_DRV_PortRead(port, POE_REG_CH_CONFIG, &config)) return rc;
    if (enable >= 0) config = static_cast<uint16_t>((config & ~POE_CH_ENABLE) | enable);
    if (priority >= 0)
        config = static_cast<uint16_t>((config & ~POE_CH_PRIORITY_MASK) |
                                       priority << POE_CH_PRIORITY_SHIFT);
    return POE_DRV_PortWrite(port, POE_REG_CH_CONFIG, config);
}

}  // namespace

int POE_DRV_PortRequest(const uint8_t* msg) {
    const uint32_t port = msg[4];
    uint8_t d, ch;
    if (int rc = POE_DRV_MapPort(port, &d, &ch)) return rc;
    switch (msg[3]) {
        case 0x0B:
            return port_status(port);
        case 0x0E:
            return port_measurements(port);
        case 0x25: {  // power limit and priority
            uint16_t limit, config;
            int rc;
            if ((rc = POE_DRV_PortRead(port, POE_REG_CH_LIMIT, &limit)) ||
                (rc = POE_DRV_PortRead(port, POE_REG_CH_CONFIG, &config)))
                return rc;
            POE_DRV_Pack(POE_DRV_KEY_TELEMETRY, "%w%c",
                         {limit, (config & POE_CH_PRIORITY_MASK) >> POE_CH_PRIORITY_SHIFT});
            return POE_DRV_OK;
        }
        case 0x44: {  // detection and classification
            uint16_t status;
            if (int rc = POE_DRV_PortRead(port, POE_REG_CH_STATUS, &status)) return rc;
            POE_DRV_Pack(POE_DRV_KEY_TELEMETRY, "%c%c%c",
                         {(status & POE_CH_DETECTED) ? 1 : 0, (status >> POE_CH_CLASS_SHIFT) & 7,
                          status & 0x0F});
            return POE_DRV_OK;
        }
        default:
            return POE_DRV_REPORT_SUBJECT1;
    }
}

int POE_DRV_PortCommand(const uint8_t* msg) {
    const uint32_t port = msg[4];
    uint8_t d, ch;
    if (int rc = POE_DRV_MapPort(port, &d, &ch)) return rc;
    switch (msg[3]) {
        case 0x0B:  // enable (byte 5)
            return set_config(port, msg[5], -1);
        case 0x0C:  // priority (byte 5: 0 low, 1 high, 2 critical)
            return set_config(port, -1, msg[5]);
        case 0x43:  // power limit (bytes 5-6, 0.1 W)
            return POE_DRV_PortWrite(port, POE_REG_CH_LIMIT, POE_DRV_Data16(msg, 5));
        case 0x4A:  // reset: detection and classification again
            return POE_DRV_PortWrite(port, POE_REG_CH_STATUS, 0);
        case 0x51: {  // enable (5), priority (6) and power limit (7-8) at once
            if (msg[5] > 1 || msg[6] > 2) return POE_DRV_ERR_RANGE;
            if (int rc = POE_DRV_PortWrite(port, POE_REG_CH_LIMIT, POE_DRV_Data16(msg, 7)))
                return rc;
            return set_config(port, msg[5], msg[6]);
        }
        case 0xA2:  // enable (5) and priority (6)
            return set_config(port, msg[5], msg[6]);
        case 0xA6: {  // power limit (5-6), answered with the port's status
            if (int rc = POE_DRV_PortWrite(port, POE_REG_CH_LIMIT, POE_DRV_Data16(msg, 5)))
                return rc;
            int rc = port_status(port);
            return rc ? rc : POE_DRV_SELF_REPLY;
        }
        default:
            return POE_DRV_REPORT_SUBJECT1;
    }
}
