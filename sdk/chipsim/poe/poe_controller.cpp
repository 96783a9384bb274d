// The simulated PoE controller: its registers and the model of its channels behind them.
#include "sdk/chipsim/poe/poe_controller.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace chipsim::poe {
namespace {

constexpr uint16_t kVoltage = 5400;  // 54.00 V on a powered port and the supply
constexpr char kName[POE_NAME_LEN + 1] = "VS-PSE-24C";

// Allocation and typical draw by class, 0.1 W.
constexpr uint16_t kClassAlloc[5] = {154, 40, 70, 154, 300};
constexpr uint16_t kClassDraw[5] = {120, 30, 55, 120, 250};

bool in_block(uint16_t addr, uint16_t block, uint8_t channels, uint8_t* c) {
    if (addr < block || addr >= block + 2 * channels || (addr - block) % 2) return false;
    *c = static_cast<uint8_t>((addr - block) / 2);
    return true;
}

}  // namespace

uint16_t temp_to_reg(int t) {
    int v = (68400 - ((t + 40) % 256 + 256) % 256 * 1514 / 10) / 100;
    return static_cast<uint16_t>(std::max(v, 0));
}

Controller::Controller(uint8_t index, uint8_t channels, uint16_t budget_watts)
    : index_(index),
      channels_(std::min<uint8_t>(channels, POE_MAX_CHANNELS)),
      board_budget_(budget_watts) {
    power_on();
}

uint16_t Controller::class_allocation(uint8_t cls) {
    return kClassAlloc[cls > 4 ? 0 : cls];
}

void Controller::power_on() {
    for (Channel& c : ch_) {
        c.config = POE_CH_ENABLE;
        c.limit = 300;
        c.held = false;
        c.state = POE_STATE_NO_DEVICE;
    }
    banks_.fill(board_budget_);
    bank_ = 0;
    system_ = POE_SYSTEM_POWER | POE_SYSTEM_AUTO_RESTORE;
    latched_.clear();
    evaluate();
}

uint16_t Controller::allocated() const {
    uint32_t sum = 0;
    for (uint8_t c = 0; c < channels_; ++c)
        if (ch_[c].state == POE_STATE_DELIVERING) sum += class_allocation(ch_[c].cls);
    return static_cast<uint16_t>(std::min<uint32_t>(sum, 0xFFFF));
}

// Settles every channel's state. Ports keep power while they may; the budget goes to the
// waiting ports by priority (critical first), then by channel; a budget cut sheds the
// lowest priority ports first.
void Controller::evaluate() {
    const bool system_on = system_ & POE_SYSTEM_POWER;
    std::vector<uint8_t> waiting;
    for (uint8_t c = 0; c < channels_; ++c) {
        Channel& ch = ch_[c];
        if (!ch.attached) {
            ch.state = POE_STATE_NO_DEVICE;
            ch.held = false;
        } else if (!system_on || !(ch.config & POE_CH_ENABLE)) {
            ch.state = POE_STATE_DISABLED;
            ch.held = false;
        } else if (ch.draw > ch.limit) {
            ch.state = POE_STATE_OVERLOAD;
        } else if (ch.state != POE_STATE_DELIVERING) {
            if (ch.state == POE_STATE_DENIED && ch.held) continue;
            waiting.push_back(c);
        }
    }
    auto prio = [&](uint8_t c) {
        return (ch_[c].config & POE_CH_PRIORITY_MASK) >> POE_CH_PRIORITY_SHIFT;
    };
    // Shed the lowest priority (then highest channel) powered ports above the budget.
    const uint32_t limit = uint32_t{budget()} * 10;
    while (allocated() > limit) {
        int worst = -1;
        for (uint8_t c = 0; c < channels_; ++c)
            if (ch_[c].state == POE_STATE_DELIVERING &&
                (worst < 0 || prio(c) <= prio(static_cast<uint8_t>(worst))))
                worst = c;
        ch_[worst].state = POE_STATE_DENIED;
        ch_[worst].held = !(system_ & POE_SYSTEM_AUTO_RESTORE);
    }
    std::stable_sort(waiting.begin(), waiting.end(),
                     [&](uint8_t a, uint8_t b) { return prio(a) > prio(b); });
    for (uint8_t c : waiting) {
        Channel& ch = ch_[c];
        if (allocated() + class_allocation(ch.cls) <= limit) {
            ch.state = POE_STATE_DELIVERING;
            ch.held = false;
        } else {
            ch.state = POE_STATE_DENIED;
            ch.held = !(system_ & POE_SYSTEM_AUTO_RESTORE);
        }
    }
}

int Controller::temperature() const {
    uint32_t draw = 0;
    for (uint8_t c = 0; c < channels_; ++c)
        if (ch_[c].state == POE_STATE_DELIVERING) draw += ch_[c].draw;
    return 25 + static_cast<int>(draw / 100);  // a degree per 10 W delivered
}

uint16_t Controller::live(uint16_t addr) const {
    uint8_t c;
    auto powered = [&](uint8_t ch) { return ch_[ch].state == POE_STATE_DELIVERING; };
    if (in_block(addr, POE_REG_CH_POWER, channels_, &c)) return powered(c) ? ch_[c].draw : 0;
    if (in_block(addr, POE_REG_CH_VOLTAGE, channels_, &c)) return powered(c) ? kVoltage : 0;
    if (in_block(addr, POE_REG_CH_CURRENT, channels_, &c))
        return powered(c) ? static_cast<uint16_t>(ch_[c].draw * 10000u / kVoltage) : 0;
    uint32_t draw = 0, count[5] = {};
    uint32_t pg[2] = {};
    for (uint8_t i = 0; i < channels_; ++i) {
        count[ch_[i].state]++;
        if (powered(i)) {
            draw += ch_[i].draw;
            pg[i / 16] |= 1u << (i % 16);
        }
    }
    switch (addr) {
        case POE_REG_VMAIN:
            return kVoltage;
        case POE_REG_IMAIN:
            return static_cast<uint16_t>(draw * 10000u / kVoltage);
        case POE_REG_TEMP:
        case POE_REG_TEMP_LIVE:
            return temp_to_reg(temperature());
        case POE_REG_DELIVERING:
            return static_cast<uint16_t>(count[POE_STATE_DELIVERING]);
        case POE_REG_DETECTED:
            return static_cast<uint16_t>(channels_ - count[POE_STATE_NO_DEVICE]);
        case POE_REG_DENIED:
            return static_cast<uint16_t>(count[POE_STATE_DENIED]);
        case POE_REG_PG_LATCHED:
        case POE_REG_POWER_GOOD:
            return static_cast<uint16_t>(pg[0]);
        case POE_REG_PG_LATCHED + 2:
        case POE_REG_POWER_GOOD + 2:
            return static_cast<uint16_t>(pg[1]);
        case POE_REG_TEMP_PEAK:
            return std::min(peak_temp_reg_, temp_to_reg(temperature()));
        case POE_REG_TOTAL_POWER:
            return static_cast<uint16_t>(draw * 164 / 100);  // 0.1 W to 1/16.4 W
        default:
            return 0;
    }
}

void Controller::latch() {
    for (uint16_t block : {POE_REG_CH_POWER, POE_REG_CH_VOLTAGE, POE_REG_CH_CURRENT})
        for (uint8_t c = 0; c < channels_; ++c)
            latched_[poe_ch_reg(block, c)] = live(poe_ch_reg(block, c));
    for (uint16_t a = POE_REG_VMAIN; a <= POE_REG_TOTAL_POWER; a += 2)
        latched_[a] = live(a);
    peak_temp_reg_ = latched_[POE_REG_TEMP_PEAK];
}

uint16_t Controller::read_reg(uint16_t addr) const {
    uint8_t c;
    if (in_block(addr, POE_REG_CH_CONFIG, channels_, &c)) return ch_[c].config;
    if (in_block(addr, POE_REG_CH_LIMIT, channels_, &c)) return ch_[c].limit;
    if (in_block(addr, POE_REG_CH_STATUS, channels_, &c)) {
        const Channel& ch = ch_[c];
        if (!ch.attached) return 0;
        return static_cast<uint16_t>(POE_CH_DETECTED | ch.cls << POE_CH_CLASS_SHIFT | ch.state);
    }
    if (in_block(addr, POE_REG_CH_ALLOC, channels_, &c))
        return ch_[c].state == POE_STATE_DELIVERING ? class_allocation(ch_[c].cls) : 0;
    if (addr >= POE_REG_NAME && addr < POE_REG_NAME + POE_NAME_LEN)
        return static_cast<uint16_t>(kName[addr - POE_REG_NAME] << 8 |
                                     kName[addr - POE_REG_NAME + 1]);
    if (addr >= POE_REG_BANK_BUDGET && addr < POE_REG_BANK_BUDGET + 16)
        return banks_[(addr - POE_REG_BANK_BUDGET) / 2];
    if (latched_.count(addr) || (addr >= POE_REG_CH_POWER && addr < POE_REG_VMAIN) ||
        (addr >= POE_REG_VMAIN && addr <= POE_REG_TOTAL_POWER)) {
        auto it = latched_.find(addr);
        return it == latched_.end() ? 0 : it->second;  // nothing latched yet
    }
    switch (addr) {
        case POE_REG_DEVICE_ID:
            return static_cast<uint16_t>(0x5000 | channels_);
        case POE_REG_VERSION_MAJOR:
            return 2;
        case POE_REG_VERSION_MINOR:
            return 19;
        case POE_REG_SYSTEM:
            return system_;
        case POE_REG_BUDGET:
            return budget();
        case POE_REG_BANK:
            return bank_;
        case POE_REG_ALLOCATED:
            return allocated();
        case POE_REG_POWER_GOOD:
        case POE_REG_POWER_GOOD + 2:
        case POE_REG_TEMP_LIVE:
            return live(addr);
        case POE_REG_LATCH:
        case POE_REG_RESET:
            return 0;
        default: {
            auto it = other_.find(addr);
            return it == other_.end() ? 0 : it->second;
        }
    }
}

void Controller::write_reg(uint16_t addr, uint16_t value) {
    uint8_t c;
    if (in_block(addr, POE_REG_CH_CONFIG, channels_, &c)) {
        Channel& ch = ch_[c];
        ch.config = value & (POE_CH_ENABLE | POE_CH_PRIORITY_MASK);
        if ((ch.config & POE_CH_PRIORITY_MASK) == POE_CH_PRIORITY_MASK)
            ch.config &= ~POE_CH_PRIORITY_MASK;  // priority 3 does not exist: low
        if (!(ch.config & POE_CH_ENABLE)) ch.held = false;
    } else if (in_block(addr, POE_REG_CH_LIMIT, channels_, &c)) {
        ch_[c].limit = value;
        if (ch_[c].state == POE_STATE_OVERLOAD && ch_[c].draw <= value)
            ch_[c].state = POE_STATE_NO_DEVICE;  // detection runs again
    } else if (in_block(addr, POE_REG_CH_STATUS, channels_, &c)) {
        // Writing a status resets the port: detection and classification run again.
        if (ch_[c].attached) {
            ch_[c].state = POE_STATE_NO_DEVICE;
            ch_[c].held = false;
        }
    } else if (addr >= POE_REG_BANK_BUDGET && addr < POE_REG_BANK_BUDGET + 16) {
        banks_[(addr - POE_REG_BANK_BUDGET) / 2] = value;
    } else if (addr == POE_REG_BANK) {
        bank_ = value & 7;
    } else if (addr == POE_REG_SYSTEM) {
        system_ = value & (POE_SYSTEM_POWER | POE_SYSTEM_AUTO_RESTORE);
        if (system_ & POE_SYSTEM_AUTO_RESTORE)
            for (Channel& ch : ch_)
                ch.held = false;
    } else if (addr == POE_REG_LATCH) {
        if (value & 1) latch();
    } else if (addr == POE_REG_RESET) {
        if (value & 1) power_on();
    } else if (addr == POE_REG_BUDGET || addr == POE_REG_ALLOCATED || addr == POE_REG_DEVICE_ID ||
               (addr >= POE_REG_CH_POWER && addr <= 0x1320) ||
               in_block(addr, POE_REG_CH_ALLOC, channels_, &c) ||
               (addr >= POE_REG_VERSION_MAJOR && addr < POE_REG_NAME + POE_NAME_LEN)) {
        return;  // read-only
    } else {
        other_[addr] = value;
    }
    evaluate();
}

SDK_STATUS Controller::transfer(uint32_t& pointer, bool read, uint8_t* data, uint32_t len) {
    if (fault_ == Fault::kSilent) return SDK_FAIL;
    if (!read && fault_ == Fault::kEverySecondWrite && ++writes_ % 2 == 0) return SDK_FAIL;
    pointer &= 0xFFFF;
    for (uint32_t i = 0; i < len;) {
        const uint16_t addr = static_cast<uint16_t>(pointer);
        const uint16_t even = addr & 0xFFFE;
        if (read) {
            uint16_t v = read_reg(even);
            data[i++] = static_cast<uint8_t>(addr & 1 ? v : v >> 8);
            pointer = (pointer + 1) & 0xFFFF;
        } else if (!(addr & 1) && i + 1 < len) {
            write_reg(even, static_cast<uint16_t>(data[i] << 8 | data[i + 1]));
            i += 2;
            pointer = (pointer + 2) & 0xFFFF;
        } else {
            // A lone byte replaces its half of the register.
            uint16_t v = read_reg(even);
            v = addr & 1 ? static_cast<uint16_t>((v & 0xFF00) | data[i])
                         : static_cast<uint16_t>((v & 0x00FF) | data[i] << 8);
            write_reg(even, v);
            ++i;
            pointer = (pointer + 1) & 0xFFFF;
        }
    }
    return SDK_OK;
}

bool Controller::attach(uint8_t c, uint8_t cls, uint16_t draw) {
    if (c >= channels_ || cls > 4) return false;
    Channel& ch = ch_[c];
    ch.attached = true;
    ch.cls = cls;
    ch.draw = draw ? draw : kClassDraw[cls];
    ch.state = POE_STATE_NO_DEVICE;  // detection and classification run
    ch.held = false;
    evaluate();
    return true;
}

bool Controller::detach(uint8_t c) {
    if (c >= channels_) return false;
    ch_[c].attached = false;
    evaluate();
    return true;
}

}  // namespace chipsim::poe
