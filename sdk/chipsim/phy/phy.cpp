#include "sdk/chipsim/phy/phy.h"

#include "sdk/sdk_port.h"

namespace chipsim {
namespace {

constexpr uint16_t kCtlReset = 0x8000;
constexpr uint16_t kCtlSpeedLsb = 0x2000;
constexpr uint16_t kCtlAutoNeg = 0x1000;
constexpr uint16_t kCtlRestartAn = 0x0200;
constexpr uint16_t kCtlFullDuplex = 0x0100;
constexpr uint16_t kCtlSpeedMsb = 0x0040;

constexpr uint8_t kRegPage = 22;
constexpr uint8_t kPageInternal = 0xFF;
constexpr uint16_t kInternalWrite = 0x2000;

uint32_t key45(uint8_t mmd, uint16_t reg) {
    return uint32_t{mmd} << 16 | reg;
}

}  // namespace

Phy::Phy(uint16_t cls, uint8_t revision) : cls_(cls), revision_(revision) {
    if (clause45()) {
        c45_[key45(1, 0)] = 0x2040;
        c45_[key45(1, 2)] = kXgPhyId2;
        c45_[key45(1, 3)] = kXgPhyId3;
        return;
    }
    File& copper = file(0);
    copper.fill(0);
    copper[0] = gigabit() ? 0x1140 : 0x3100;  // auto-negotiation, full duplex, top speed
    copper[4] = 0x01E1;                       // 10/100 half and full
    copper[9] = gigabit() ? 0x0300 : 0;       // 1000 half and full
    if (paged()) {
        File& fibre = file(1);
        fibre.fill(0);
        fibre[0] = 0x1140;
        fibre[4] = 0x0060;  // 1000BASE-X half and full
        file(18)[30] = cls_ == 0x2B0 ? 0x0007 : 0;
        file(0xFB)[31] = cls_ == 0x2B0 ? 0x0200 : 0;
    }
    apply(0);
    if (paged()) apply(1);
}

uint16_t Phy::reg(uint8_t page, uint8_t r) const {
    auto it = pages_.find(paged() ? page : 0);
    return it == pages_.end() ? 0 : it->second[r & 31];
}

void Phy::apply(uint8_t page) {
    applied_[page] = {reg(page, 0), reg(page, 4), reg(page, 9)};
}

Phy::Control Phy::applied(uint8_t page) const {
    auto it = applied_.find(page);
    std::array<uint16_t, 3> a = it == applied_.end() ? std::array<uint16_t, 3>{} : it->second;
    Control c;
    c.autoneg = a[0] & kCtlAutoNeg;
    c.full = a[0] & kCtlFullDuplex;
    if ((a[0] & kCtlSpeedMsb) && !(a[0] & kCtlSpeedLsb) && gigabit())
        c.speed = SDK_PORT_SPEED_1000;
    else if (a[0] & kCtlSpeedLsb)
        c.speed = SDK_PORT_SPEED_100;
    else
        c.speed = SDK_PORT_SPEED_10;
    c.adv = a[1];
    c.adv1000 = gigabit() ? a[2] : 0;
    return c;
}

uint16_t Phy::media_mode() const {
    return reg(media_page(), 20) & 0x7F;
}

uint16_t Phy::status(uint8_t page, uint8_t r, const LinkState& link, const Partner& partner) const {
    bool mine = link.up && link.fibre == (page == 1);
    Control c = applied(page);
    switch (r) {
        case 1: {
            uint16_t v = gigabit() ? 0x7949 : 0x7849;
            if (mine) v |= 0x0004;
            if (mine && c.autoneg) v |= 0x0020;
            return v;
        }
        case 5: {
            if (!mine || !c.autoneg || !partner.autoneg) return 0;
            uint16_t v = 0x0001;
            if (page == 1) {
                if (partner.abilities & kAb1000Full) v |= 0x0020;
                if (partner.abilities & kAb1000Half) v |= 0x0040;
                if (partner.pause) v |= 0x0080;
                if (partner.asym_pause) v |= 0x0100;
                return v | 0x4000;
            }
            if (partner.abilities & kAb10Half) v |= 0x0020;
            if (partner.abilities & kAb10Full) v |= 0x0040;
            if (partner.abilities & kAb100Half) v |= 0x0080;
            if (partner.abilities & kAb100Full) v |= 0x0100;
            if (partner.pause) v |= 0x0400;
            if (partner.asym_pause) v |= 0x0800;
            return v | 0x4000;
        }
        case 10: {
            if (!mine || !c.autoneg || !partner.autoneg || page == 1 || !gigabit()) return 0;
            uint16_t v = 0;
            if (partner.abilities & kAb1000Half) v |= 0x0400;
            if (partner.abilities & kAb1000Full) v |= 0x0800;
            return v;
        }
        case 15:
            return gigabit() ? 0x3000 : 0;
    }
    return reg(page, r);
}

uint16_t Phy::peek(uint8_t page, uint8_t r, const LinkState& link, const Partner& partner) const {
    r &= 31;
    if (!answering) return 0xFFFF;
    if (clause45()) return 0xFFFF;  // no clause-22 registers
    if (paged() && r == kRegPage) return page_;
    if (!paged()) page = 0;
    if ((page == 0 || page == 1) && r == 2) return kPhyId2;
    if ((page == 0 || page == 1) && r == 3) return static_cast<uint16_t>(0x0C00 | cls_ | revision_);
    if ((page == 0 || page == 1) && (r == 1 || r == 5 || r == 10 || r == 15))
        return status(page, r, link, partner);
    if (paged() && page == 1 && r == 16) {
        // Fibre status: bits 1:0 report the fibre mode once the PHY has settled on it.
        uint16_t v = reg(1, 16) & ~0x0003;
        uint16_t mode = media_mode() & 7;
        if ((mode == 2 || mode == 3) && media_reads_ >= settle_reads) v |= mode == 2 ? 1 : 2;
        return v;
    }
    return reg(page, r);
}

uint16_t Phy::read(uint8_t r, const LinkState& link, const Partner& partner) {
    uint16_t v = peek(static_cast<uint8_t>(page_), r, link, partner);
    if (paged() && page_ == 1 && (r & 31) == 16 && media_reads_ < 0xFFFFFFFF) ++media_reads_;
    return v;
}

void Phy::write(uint8_t r, uint16_t value) {
    if (!answering || clause45()) return;
    if (paged() && (r & 31) == kRegPage) {
        page_ = value & 0xFF;
        return;
    }
    poke(static_cast<uint8_t>(page_), r, value);
}

void Phy::poke(uint8_t page, uint8_t r, uint16_t value) {
    r &= 31;
    if (!answering || clause45()) return;
    if (!paged()) page = 0;
    if (paged() && r == kRegPage) {
        page_ = value & 0xFF;
        return;
    }
    // Status and identifier registers (of the IEEE pages 0 and 1) are read-only.
    if ((page == 0 || page == 1) && (r == 1 || r == 2 || r == 3 || r == 5 || r == 10 || r == 15))
        return;
    File& f = file(page);
    if ((page == 0 || page == 1) && r == 0) {
        f[0] = value & ~(kCtlReset | kCtlRestartAn);
        if (value & (kCtlReset | kCtlRestartAn)) apply(page);
        return;
    }
    if (paged() && page == media_page() && r == 20) {
        f[20] = value & 0x7FFF;  // bit 15 resets the media logic and clears itself
        media_reads_ = 0;
        return;
    }
    f[r] = value;
    if (paged() && page == kPageInternal && r == 16 && (value & kInternalWrite))
        internal_[value & 0x1FFF] = f[17];
}

uint16_t Phy::c45_read(uint8_t mmd, uint16_t r, const LinkState& link) const {
    if (!answering || !clause45()) return 0xFFFF;
    if (mmd == 1 && r == 1) return link.up ? 0x0006 : 0x0002;
    auto it = c45_.find(key45(mmd, r));
    return it == c45_.end() ? 0 : it->second;
}

void Phy::c45_write(uint8_t mmd, uint16_t r, uint16_t value) {
    if (!answering || !clause45()) return;
    if (mmd == 1 && (r == 1 || r == 2 || r == 3)) return;
    if (mmd == 1 && r == 0) value &= ~kCtlReset;
    c45_[key45(mmd, r)] = value;
}

void Phy::set_xg_1000(bool on) {
    for (uint16_t r : {0xC040, 0xC048}) {
        uint16_t& v = c45_[key45(3, r)];
        v = on ? (v | 0x0004) : (v & ~0x0004);
    }
}

bool Phy::xg_1000() const {
    auto a = c45_.find(key45(3, 0xC040));
    return a != c45_.end() && (a->second & 0x0004);
}

bool Phy::xg_tx_disabled() const {
    auto get = [&](uint16_t r) {
        auto it = c45_.find(key45(1, r));
        return it == c45_.end() ? uint16_t{0} : it->second;
    };
    return (get(9) & 0x0001) || (get(0xC309) & 0x2000) || (get(0) & 0x0800);
}

}  // namespace chipsim
