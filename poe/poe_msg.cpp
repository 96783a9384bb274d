// The message layer: framing and checksum, the reply store, dispatch by key and subject,
// the reply packer, register access over I2C and the value conversions.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/console/console.h"
#include "platform/sysfun/sysfun.h"
#include "poe/poe_internal.h"
#include "sdk/poe_regs.h"

POE_DRV_CB_T poe_drv_cb;

namespace {

constexpr uint32_t kLatchWaitMs = 20;
constexpr uint32_t kMsPerTick = 10;

const char* const kStatusText[] = {
    "POE OK, status number: %d\n",
    "POE INTERNAL error number: %d\n",
    "COMMUNICATION DRIVER error number: %d\n",
    "COMMUNICATION REPORT error number: %d\n",
    "MESSAGE LENGTH MISMATCH error number: %d\n",
    "PORT NOT EXIST error number: %d\n",
    "MESSAGE NOT READY error number: %d\n",
    "UNKNOWN error number: %d\n",
    "TIMER INTERVAL value error number: %d\n",
    "MUTEX initialization error number: %d\n",
    "MUTEX lock error number: %d\n",
    "MUTEX unlock error number: %d\n",
    "SLEEP FUNCTION error number: %d\n",
    "OUT OF RANGE ERROR VALUE number: %d\n",
};

// A failing write or read prints its status.
int said(int status) {
    if (status < 0) CONSOLE_Printf(POE_DRV_StatusText(status), status);
    return status;
}

// Builds the report of a status: a negative status is reported as 0.
void report(int status) {
    POE_DRV_Pack(POE_DRV_KEY_REPORT, "%w", {status < 0 ? 0 : status});
}

int dispatch(const uint8_t* msg) {
    int status;
    switch (msg[0]) {
        case POE_DRV_KEY_COMMAND:
            if (msg[2] == POE_DRV_SUBJECT_PORT)
                status = POE_DRV_PortCommand(msg);
            else if (msg[2] == POE_DRV_SUBJECT_GLOBAL)
                status = POE_DRV_GlobalCommand(msg);
            else
                status = POE_DRV_REPORT_COMMAND_SUBJECT;
            if (status == POE_DRV_SELF_REPLY) return POE_DRV_OK;
            break;
        case POE_DRV_KEY_REQUEST:
            if (msg[2] == POE_DRV_SUBJECT_PORT || msg[2] == POE_DRV_SUBJECT_GLOBAL) {
                status = msg[2] == POE_DRV_SUBJECT_PORT ? POE_DRV_PortRequest(msg)
                                                        : POE_DRV_GlobalRequest(msg);
                if (status <= 0) return status;
            } else {
                status = POE_DRV_REPORT_REQUEST_SUBJECT;
            }
            break;
        default:
            status = POE_DRV_REPORT_KEY;
    }
    report(status);
    return status > 0 ? POE_DRV_ERR_COMM_REPORT : status;
}

}  // namespace

const char* POE_DRV_StatusText(int status) {
    if (status > 0 || status < POE_DRV_ERR_RANGE) return nullptr;
    return kStatusText[-status];
}

uint16_t POE_DRV_Checksum(const uint8_t* msg) {
    uint32_t sum = 0;
    for (int i = 0; i < 13; ++i)
        sum += msg[i];
    return static_cast<uint16_t>(sum);
}

void POE_DRV_BuildMessage(uint8_t* out, uint8_t key, uint8_t echo, uint8_t subject, uint8_t s1,
                          const uint8_t* rest, uint32_t rest_len) {
    std::memset(out, POE_DRV_PAD, POE_DRV_MSG_LEN);
    out[0] = key;
    out[1] = echo;
    out[2] = subject;
    out[3] = s1;
    for (uint32_t i = 0; i < rest_len && 4 + i < 13; ++i)
        out[4 + i] = rest[i];
    const uint16_t sum = POE_DRV_Checksum(out);
    out[13] = static_cast<uint8_t>(sum >> 8);
    out[14] = static_cast<uint8_t>(sum);
}

bool POE_DRV_Init(const POE_DRV_Device_T* devices, uint32_t count, POE_DRV_I2cRead_T read_fn,
                  POE_DRV_I2cWrite_T write_fn) {
    if (count > POE_DRV_MAX_DEVICES || (count && !devices) || !read_fn || !write_fn) {
        CONSOLE_Printf("%s(%d): bad controller table\r\n", __func__, __LINE__);
        return false;
    }
    std::lock_guard<std::mutex> lock(poe_drv_cb.mu);
    std::fill(std::begin(poe_drv_cb.devices), std::end(poe_drv_cb.devices), POE_DRV_Device_T{});
    std::copy(devices, devices + count, poe_drv_cb.devices);
    poe_drv_cb.device_count = static_cast<uint8_t>(count);
    poe_drv_cb.read_fn = read_fn;
    poe_drv_cb.write_fn = write_fn;
    poe_drv_cb.reply_ready = false;
    poe_drv_cb.echo = 0;
    return true;
}

int POE_DRV_WriteMessage(const uint8_t* msg, uint32_t len) {
    if (!msg || len != POE_DRV_MSG_LEN) return said(POE_DRV_ERR_LENGTH);
    std::lock_guard<std::mutex> lock(poe_drv_cb.mu);
    poe_drv_cb.echo = msg[1];
    if (POE_DRV_Checksum(msg) != (msg[13] << 8 | msg[14])) {
        // Not carried out: the host learns of it from the report.
        report(0);
        return said(POE_DRV_ERR_COMM_REPORT);
    }
    return said(dispatch(msg));
}

int POE_DRV_ReadReply(uint8_t* reply, uint32_t len) {
    if (!reply || len < POE_DRV_MSG_LEN) return said(POE_DRV_ERR_LENGTH);
    std::lock_guard<std::mutex> lock(poe_drv_cb.mu);
    if (!poe_drv_cb.reply_ready) return said(POE_DRV_ERR_NOT_READY);
    std::memcpy(reply, poe_drv_cb.reply, POE_DRV_MSG_LEN);
    return POE_DRV_OK;
}

// ---- The packer -------------------------------------------------------------------------

void POE_DRV_PackInto(uint8_t* out, uint8_t key, uint8_t echo, const char* fmt,
                      std::initializer_list<POE_DRV_PackArg_T> args) {
    std::memset(out, POE_DRV_PAD, POE_DRV_PACK_SIZE);
    out[0] = key;
    out[1] = echo;
    uint32_t pos = 2;
    auto arg = args.begin();
    auto next = [&]() -> POE_DRV_PackArg_T { return arg != args.end() ? *arg++ : 0u; };
    auto put = [&](uint32_t byte) {
        if (pos < POE_DRV_PACK_SIZE) out[pos] = static_cast<uint8_t>(byte);
        ++pos;
    };
    uint32_t walked = 0;
    for (const char* f = fmt ? fmt : ""; *f && walked < POE_DRV_PACK_SIZE; ++f, ++walked) {
        if (*f != '%') {
            put(static_cast<uint8_t>(*f));
            continue;
        }
        const char conv = f[1];
        if (conv) {
            ++f;
            ++walked;
        }
        switch (conv) {
            case 'c':
                put(next().value);
                break;
            case 'w': {
                uint32_t v = next().value;
                put(v >> 8);
                put(v);
                break;
            }
            case 'd': {
                uint32_t v = next().value;
                for (int shift = 24; shift >= 0; shift -= 8)
                    put(v >> shift);
                break;
            }
            case 'S': {
                uint32_t n = next().value & 0xFF;
                const uint8_t* p = next().ptr;
                if (n && p)
                    for (uint32_t i = 0; i < n && pos < POE_DRV_PACK_SIZE; ++i)
                        put(p[i]);
                break;
            }
            default:
                put(0x25);
        }
    }
}

void POE_DRV_Pack(uint8_t key, const char* fmt, std::initializer_list<POE_DRV_PackArg_T> args) {
    uint8_t buf[POE_DRV_PACK_SIZE];
    POE_DRV_PackInto(buf, key, poe_drv_cb.echo, fmt, args);
    uint16_t sum = POE_DRV_Checksum(buf);
    buf[13] = static_cast<uint8_t>(sum >> 8);
    buf[14] = static_cast<uint8_t>(sum);
    std::memcpy(poe_drv_cb.reply, buf, POE_DRV_MSG_LEN);
    poe_drv_cb.reply_ready = true;
}

// ---- Register access --------------------------------------------------------------------

int POE_DRV_DeviceReadBytes(uint32_t device, uint16_t reg, uint8_t* data, uint32_t len) {
    if (device >= POE_DRV_MAX_DEVICES) return POE_DRV_REPORT_PORT;
    if (device >= poe_drv_cb.device_count) return POE_DRV_ERR_NO_PORT;
    if (!poe_drv_cb.read_fn(poe_drv_cb.devices[device].i2c_addr, reg, data, len))
        return POE_DRV_ERR_COMM_DRIVER;
    return POE_DRV_OK;
}

int POE_DRV_DeviceRead(uint32_t device, uint16_t reg, uint16_t* value) {
    uint8_t b[2];
    if (int rc = POE_DRV_DeviceReadBytes(device, reg, b, 2)) return rc;
    *value = static_cast<uint16_t>(b[0] << 8 | b[1]);
    return POE_DRV_OK;
}

int POE_DRV_DeviceWrite(uint32_t device, uint16_t reg, uint16_t value) {
    if (device >= POE_DRV_MAX_DEVICES) return POE_DRV_REPORT_PORT;
    if (device >= poe_drv_cb.device_count) return POE_DRV_ERR_NO_PORT;
    const uint8_t b[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    if (!poe_drv_cb.write_fn(poe_drv_cb.devices[device].i2c_addr, reg, b, 2))
        return POE_DRV_ERR_COMM_DRIVER;
    return POE_DRV_OK;
}

int POE_DRV_MapPort(uint32_t port, uint8_t* device, uint8_t* channel) {
    if (port > POE_DRV_MAX_PORT) return POE_DRV_REPORT_PORT;
    for (uint8_t d = 0; d < poe_drv_cb.device_count; ++d) {
        if (port < poe_drv_cb.devices[d].ports) {
            *device = d;
            *channel = static_cast<uint8_t>(port);
            return POE_DRV_OK;
        }
        port -= poe_drv_cb.devices[d].ports;
    }
    return POE_DRV_ERR_NO_PORT;
}

int POE_DRV_PortRead(uint32_t port, uint16_t block, uint16_t* value) {
    uint8_t d, ch;
    if (int rc = POE_DRV_MapPort(port, &d, &ch)) return rc;
    return POE_DRV_DeviceRead(d, static_cast<uint16_t>(block + 2 * ch), value);
}

int POE_DRV_PortWrite(uint32_t port, uint16_t block, uint16_t value) {
    uint8_t d, ch;
    if (int rc = POE_DRV_MapPort(port, &d, &ch)) return rc;
    return POE_DRV_DeviceWrite(d, static_cast<uint16_t>(block + 2 * ch), value);
}

int POE_DRV_Latch(uint32_t device) {
    if (int rc = POE_DRV_DeviceWrite(device, POE_REG_LATCH, 1)) return rc;
    SYSFUN_Sleep(kLatchWaitMs / kMsPerTick);
    return POE_DRV_OK;
}

// ---- Conversions ------------------------------------------------------------------------

int POE_DRV_TempFromReg(uint16_t reg) {
    if (reg >= 685) return -40;
    return (684 - reg) * 1000 / 1514 - 40;
}

uint16_t POE_DRV_TempToReg(int t) {
    const int wrapped = ((t + 40) % 256 + 256) % 256;
    return static_cast<uint16_t>((68400 - wrapped * 1514 / 10) / 100);
}

uint16_t POE_DRV_Tenths(uint16_t reg) {
    return static_cast<uint16_t>(reg / 10);
}

uint32_t POE_DRV_ScalePower(uint32_t reg) {
    return reg * 100 / 164 + 1;
}

uint16_t POE_DRV_Halves(uint16_t high, uint16_t low) {
    return static_cast<uint16_t>((high & 0xFF) * 256 + (low & 0xFF));
}

uint16_t POE_DRV_AbsDiff(uint16_t a, uint16_t b) {
    return static_cast<uint16_t>(a > b ? a - b : b - a);
}
