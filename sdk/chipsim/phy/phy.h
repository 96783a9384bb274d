// The model of an external PHY: clause-22 register files selected by the page register
// (register 22) for the paged classes, or clause-45 devices for the 10 Gb/s PHY. Registers
// behave like registers: what is written reads back, except the bits hardware owns
// (self-clearing reset and restart bits, status and identifier registers). Speed, duplex,
// auto-negotiation and advertisement take effect when the PHY is reset or restarts
// auto-negotiation; power-down and transmitter-disable act at once.
#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "sdk/chipsim/port/port.h"

namespace chipsim {

// Identifier register 2 of our clause-22 PHYs, and the clause-45 PHY's identifiers.
constexpr uint16_t kPhyId2 = 0x0E50;
constexpr uint16_t kXgPhyId2 = 0x0043;
constexpr uint16_t kXgPhyId3 = 0xA400;

class Phy {
  public:
    Phy() = default;
    Phy(uint16_t cls, uint8_t revision);

    uint16_t cls() const { return cls_; }
    bool clause45() const { return cls_ == 0x10; }
    bool paged() const { return cls_ != 0x80 && !clause45(); }
    bool gigabit() const { return cls_ != 0x80; }

    bool answering = true;
    uint32_t settle_reads = 2;

    // Clause-22 access as the management bus sees it (through the page register). link and
    // partner give the status registers their values.
    uint16_t read(uint8_t reg, const LinkState& link, const Partner& partner);
    void write(uint8_t reg, uint16_t value);
    // A register of a given page, without side effects / with the write's behaviour but
    // without moving the page register.
    uint16_t peek(uint8_t page, uint8_t reg, const LinkState& link, const Partner& partner) const;
    void poke(uint8_t page, uint8_t reg, uint16_t value);
    uint16_t page() const { return page_; }
    const std::map<uint16_t, uint16_t>& internal() const { return internal_; }

    // Clause-45 access.
    uint16_t c45_read(uint8_t mmd, uint16_t reg, const LinkState& link) const;
    void c45_write(uint8_t mmd, uint16_t reg, uint16_t value);
    // The 10 Gb/s PHY's speed switch.
    void set_xg_1000(bool on);

    // What decides the link. page 0 is the copper side, page 1 the fibre side.
    struct Control {
        bool autoneg;
        uint32_t speed;    // forced speed (SDK speed code)
        bool full;         // forced duplex
        uint16_t adv;      // register 4
        uint16_t adv1000;  // register 9
    };
    Control applied(uint8_t page) const;
    bool powered_down(uint8_t page) const { return reg(page, 0) & 0x0800; }
    // The media-select field of the combo register (bits 6..0, see link.cpp).
    uint16_t media_mode() const;
    bool xg_1000() const;
    bool xg_tx_disabled() const;

  private:
    using File = std::array<uint16_t, 32>;
    uint16_t reg(uint8_t page, uint8_t r) const;
    File& file(uint8_t page) { return pages_[paged() ? page : 0]; }
    void apply(uint8_t page);
    uint16_t status(uint8_t page, uint8_t r, const LinkState& link, const Partner& partner) const;
    uint8_t media_page() const { return cls_ == 0x1C0 ? 6 : 18; }

    uint16_t cls_ = 0;
    uint8_t revision_ = 0;
    uint16_t page_ = 0;
    std::map<uint8_t, File> pages_;
    std::map<uint8_t, std::array<uint16_t, 3>> applied_;  // registers 0, 4, 9 at the last reset
    std::map<uint16_t, uint16_t> internal_;
    uint32_t media_reads_ = 0;
    std::map<uint32_t, uint16_t> c45_;
};

// ---- Inspection and the simulated world (false / zero for a port without a PHY) ---------
// The PHY wired to a port, read without side effects. page is ignored by PHYs without
// pages.
bool phy_reg(uint8_t dev, uint8_t port, uint8_t page, uint8_t reg, uint16_t* value);
bool phy_c45_reg(uint8_t dev, uint8_t port, uint8_t mmd, uint16_t reg, uint16_t* value);
// The current page-register value and the PHY's internal memory written through page 0xFF.
uint16_t phy_page(uint8_t dev, uint8_t port);
std::map<uint16_t, uint16_t> phy_internal(uint8_t dev, uint8_t port);
uint16_t phy_class(uint8_t dev, uint8_t port);
// A PHY that stops answering on the management bus (reads give 0xFFFF, writes are lost).
bool set_phy_answering(uint8_t dev, uint8_t port, bool answering);
// Reads of the fibre status after forcing a combo port to fibre before it reports the
// fibre link mode (0xFFFFFFFF: never).
bool set_phy_settle_reads(uint8_t dev, uint8_t port, uint32_t reads);
// Writes a PHY register with the register's own behaviour (self-clearing bits ...),
// without moving the page register.
bool phy_write(uint8_t dev, uint8_t port, uint8_t page, uint8_t reg, uint16_t value);
bool phy_c45_write(uint8_t dev, uint8_t port, uint8_t mmd, uint16_t reg, uint16_t value);

// Registers the simulation-control commands of the PHYs.
void register_phy_simctl();

}  // namespace chipsim
