// The board's simulated PoE controllers: each a register file on a two-wire bus (the map is
// sdk/poe_regs.h) over a model of its channels: powered devices plugged in, detection and
// classification, a power budget shared by the device's channels, per-port limits, the
// power-good status, temperature and the latch of the measurements.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>

#include "sdk/chipsim/core/model.h"
#include "sdk/poe_regs.h"

namespace chipsim::poe {

struct Channel {
    bool attached = false;  // a powered device is plugged in
    uint8_t cls = 0;        // its class, 0..4
    uint16_t draw = 0;      // what it draws when powered, 0.1 W
    uint16_t config = POE_CH_ENABLE;
    uint16_t limit = 300;
    uint8_t state = POE_STATE_NO_DEVICE;
    bool held = false;  // denied, and stays so until the port is reset (no auto-restore)
};

// How a controller answers on the bus.
enum class Fault : uint8_t { kNone = 0, kSilent = 1, kEverySecondWrite = 2 };

class Controller : public TwsiBehaviour {
  public:
    Controller(uint8_t index, uint8_t channels, uint16_t budget_watts);

    SDK_STATUS transfer(uint32_t& pointer, bool read, uint8_t* data, uint32_t len) override;

    uint16_t read_reg(uint16_t addr) const;
    void write_reg(uint16_t addr, uint16_t value);

    // A powered device plugged into a channel (draw in 0.1 W, 0 for the class's typical
    // draw); false for a channel the device does not have.
    bool attach(uint8_t channel, uint8_t cls, uint16_t draw);
    bool detach(uint8_t channel);
    void set_fault(Fault f) { fault_ = f; }
    uint8_t channels() const { return channels_; }
    const Channel& channel(uint8_t c) const { return ch_[c]; }
    static uint16_t class_allocation(uint8_t cls);  // 0.1 W

  private:
    void power_on();
    void evaluate();
    uint16_t live(uint16_t addr) const;
    void latch();
    uint16_t allocated() const;
    uint16_t budget() const { return banks_[bank_]; }
    int temperature() const;

    uint8_t index_;
    uint8_t channels_;
    uint16_t board_budget_;
    std::array<Channel, POE_MAX_CHANNELS> ch_{};
    std::array<uint16_t, 8> banks_{};
    uint16_t bank_ = 0;
    uint16_t system_ = 0;
    uint16_t peak_temp_reg_ = 0xFFFF;
    std::map<uint16_t, uint16_t> latched_;
    std::map<uint16_t, uint16_t> other_;  // registers with no meaning: plain storage
    Fault fault_ = Fault::kNone;
    uint32_t writes_ = 0;
};

// Temperature register encoding of the controllers.
uint16_t temp_to_reg(int celsius);

// Adds the board's PoE controllers to the model's two-wire devices (model building).
void add_controllers(Model& m);
// The controller of a device index, under bus_mu held by the caller; nullptr for none.
Controller* controller(Model& m, uint8_t index);
// Where a front port is (PoE port front - 1): (device index, channel); false when no controller
// serves it.
bool locate(const Model& m, uint32_t front, uint8_t* index, uint8_t* channel);

// Inspection and control (take bus_mu).
bool attach(uint32_t front, uint8_t cls, uint16_t draw);
bool detach(uint32_t front);
bool set_fault(uint8_t index, Fault f);
bool channel_state(uint32_t front, Channel* out);
bool reg(uint8_t index, uint16_t addr, uint16_t* value);

// Registers the PoE simulation-control commands.
void register_simctl();

}  // namespace chipsim::poe
