// The two-wire buses, their devices and multiplexers, the board registers, and the chip's
// TWSI master (sdkTwsi*), which drives bus 0.
#include "sdk/chipsim/core/model.h"
#include "sdk/chipsim/twsi/board_io.h"
#include "sdk/sdk_twsi.h"

namespace chipsim {
namespace {

SDK_STATUS transfer(uint8_t bus, uint8_t addr, bool valid_offset, uint32_t offset, bool wide,
                    bool read, uint8_t* data, uint32_t len) {
    if (len && !data) return SDK_BAD_PTR;
    if (addr > 0x7F) return SDK_BAD_PARAM;
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    TwsiDev* d = twsi_find(m, bus, addr);
    if (!d) return SDK_FAIL;  // nobody acknowledges the address
    if (d->fail_next) {
        --d->fail_next;
        return SDK_FAIL;
    }
    if (d->desc.mux) {
        if (read) {
            for (uint32_t i = 0; i < len; ++i)
                data[i] = d->channels;
        } else if (valid_offset) {
            d->channels = offset & 0xFF;
        } else if (len) {
            d->channels = data[len - 1];
        }
        return SDK_OK;
    }
    if (d->behaviour) {
        if (valid_offset) d->pointer = wide ? offset & 0xFFFF : offset & 0xFF;
        return d->behaviour->transfer(d->pointer, read, data, len);
    }
    if (valid_offset) d->pointer = (wide ? offset & 0xFFFF : offset & 0xFF) % d->mem.size();
    for (uint32_t i = 0; i < len; ++i) {
        if (read)
            data[i] = d->mem[d->pointer];
        else
            d->mem[d->pointer] = data[i];
        d->pointer = (d->pointer + 1) % d->mem.size();
    }
    return SDK_OK;
}

}  // namespace

TwsiDev* twsi_find(Model& m, uint8_t bus, uint8_t addr) {
    for (TwsiDev& d : m.twsi)
        if (d.desc.bus == bus && d.desc.addr == addr && d.desc.behind == 0) return &d;
    for (TwsiDev& d : m.twsi) {
        if (d.desc.bus != bus || d.desc.addr != addr || d.desc.behind == 0) continue;
        for (TwsiDev& mux : m.twsi)
            if (mux.desc.mux && mux.desc.bus == bus && mux.desc.addr == d.desc.behind &&
                (mux.channels >> d.desc.channel & 1))
                return &d;
    }
    return nullptr;
}

SDK_STATUS bus_read(uint8_t bus, uint8_t addr, bool valid_offset, uint32_t offset, bool wide_offset,
                    uint32_t len, uint8_t* data) {
    return transfer(bus, addr, valid_offset, offset, wide_offset, true, data, len);
}

SDK_STATUS bus_write(uint8_t bus, uint8_t addr, bool valid_offset, uint32_t offset,
                     bool wide_offset, const uint8_t* data, uint32_t len) {
    return transfer(bus, addr, valid_offset, offset, wide_offset, false, const_cast<uint8_t*>(data),
                    len);
}

bool board_reg_read(uint32_t addr, uint8_t* value) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    auto it = m.board_regs.find(addr);
    if (it == m.board_regs.end() || !value) return false;
    *value = it->second;
    return true;
}

bool board_reg_write(uint32_t addr, uint8_t value) {
    Model& m = model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    auto it = m.board_regs.find(addr);
    if (it == m.board_regs.end()) return false;
    it->second = value;
    return true;
}

}  // namespace chipsim

using chipsim::fault;

static bool chip_twsi_up() {
    chipsim::Model& m = chipsim::model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    return m.twsi_up;
}

SDK_STATUS sdkTwsiInit() {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    chipsim::Model& m = chipsim::model();
    std::lock_guard<std::mutex> lock(m.bus_mu);
    m.twsi_up = true;
    return SDK_OK;
}

SDK_STATUS sdkTwsiDataRead(uint8_t slaveAddr, uint8_t type, uint8_t validOffset, uint32_t offset,
                           uint8_t wideOffset, uint32_t len, uint8_t* data) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!chip_twsi_up()) return SDK_BAD_STATE;
    if (type != 0) return SDK_BAD_PARAM;
    return chipsim::bus_read(0, slaveAddr, validOffset, offset, wideOffset, len, data);
}

SDK_STATUS sdkTwsiDataWrite(uint8_t slaveAddr, uint8_t type, uint8_t validOffset, uint32_t offset,
                            uint8_t wideOffset, const uint8_t* data, uint32_t len) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!chip_twsi_up()) return SDK_BAD_STATE;
    if (type != 0) return SDK_BAD_PARAM;
    return chipsim::bus_write(0, slaveAddr, validOffset, offset, wideOffset, data, len);
}

SDK_STATUS sdkTwsiRegisterRead(uint8_t slaveAddr, uint32_t regAddr, uint32_t* value) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!value) return SDK_BAD_PTR;
    if (!chip_twsi_up()) return SDK_BAD_STATE;
    uint8_t b[4];
    SDK_STATUS rc = chipsim::bus_read(0, slaveAddr, true, regAddr, true, 4, b);
    if (rc == SDK_OK)
        *value = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    return rc;
}

SDK_STATUS sdkTwsiRegisterWrite(uint8_t slaveAddr, uint32_t regAddr, uint32_t value) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!chip_twsi_up()) return SDK_BAD_STATE;
    uint8_t b[4] = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8),
                    uint8_t(value)};
    return chipsim::bus_write(0, slaveAddr, true, regAddr, true, b, 4);
}
