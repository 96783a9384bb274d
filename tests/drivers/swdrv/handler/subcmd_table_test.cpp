// Every served module-119 sub-command through the real handler (subcmd_cases.h): its reply
// size, its result, its returned data and what it did to the chip and the driver are those of
// the operation called directly with the same argument values in the order of its parameters.
// The values are distinct, so an argument read from the wrong word, arguments swapped, a
// returned word written at the wrong offset or a reply size lost shows here.
#include <array>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/sysfun/ipc_msg.h"
#include "sdk/sdk_fdb.h"
#include "tests/drivers/swdrv/handler/subcmd_cases.h"

namespace {

namespace cmd = swdrv::subcmd;
using subcmd_cases::Bytes;
using subcmd_cases::Case;

// What the chip and the driver hold.
struct DeviceState {
    chipsim::Vlans vlans;
    chipsim::Stp stp;
    chipsim::Traps traps;
    chipsim::Misc misc;
    std::vector<std::string> ports;  // configuration and learning, by device port
    std::vector<std::map<uint16_t, uint16_t>> phys;
};
struct Snapshot {
    std::vector<DeviceState> devices;
    std::string twsi, om, om_tagged;

    // The names of the parts that differ ("" when none does).
    std::string diff(const Snapshot& o) const {
        std::string d;
        for (size_t i = 0; i < devices.size() && i < o.devices.size(); ++i) {
            const DeviceState &a = devices[i], &b = o.devices[i];
            std::string n = "device " + std::to_string(i) + " ";
            if (!(a.vlans == b.vlans)) d += n + "VLANs; ";
            if (!(a.stp == b.stp)) d += n + "spanning tree; ";
            if (!(a.traps == b.traps)) d += n + "traps; ";
            if (!(a.misc == b.misc)) d += n + "port misc; ";
            for (size_t p = 0; p < a.ports.size() && p < b.ports.size(); ++p) {
                if (a.ports[p] != b.ports[p]) d += n + "port " + std::to_string(p) + "; ";
                if (a.phys[p] != b.phys[p]) d += n + "PHY " + std::to_string(p) + "; ";
            }
        }
        if (twsi != o.twsi) d += "two-wire device; ";
        if (om != o.om || om_tagged != o.om_tagged) d += "driver control block; ";
        return d;
    }
};

template <typename T>
void append(std::string& s, const T& v) {
    s.append(reinterpret_cast<const char*>(&v), sizeof v);
}

Snapshot snapshot() {
    Snapshot s;
    uint8_t first = 0, count = 0;
    sdkCfgDevCountGet(&first, &count);
    for (uint8_t dev = first; dev < first + count; ++dev) {
        DeviceState d{chipsim::vlans(dev),
                      chipsim::stp(dev),
                      chipsim::traps(dev),
                      chipsim::misc(dev),
                      {},
                      {}};
        for (uint8_t p = 0; p < DEV_SWDRV_DEVICE_PORTS; ++p) {
            chipsim::PortState ps;
            std::ostringstream o;
            if (chipsim::port_state(dev, p, &ps)) {
                bool learn = false;
                uint32_t lock = 0;
                sdkBrgFdbPortLearnStatusGet(dev, p, &learn, &lock);
                o << ps.enabled << ps.speed << ' ' << ps.duplex << ps.speed_an << ps.duplex_an
                  << ps.fc_an << ps.pause_adv << ps.flow_control << ps.back_pressure << ' '
                  << ps.mru << ' ' << ps.if_mode << ps.serdes_up << ps.serdes_lanes
                  << ps.force_link_down << ps.oversize_filter << ps.na_to_cpu << ps.cscd_type
                  << ps.smi_polling << ' ' << chipsim::auto_media_select(dev, p) << ' ' << learn
                  << lock << ' ' << chipsim::token_bucket_mtu(dev);
            }
            d.ports.push_back(o.str());
            d.phys.push_back(chipsim::phy_internal(dev, p));
        }
        s.devices.push_back(std::move(d));
    }
    for (uint32_t off = 0x30; off < 0x38; ++off) {
        uint8_t v = 0;
        chipsim::twsi_byte(0, 0x20, off, &v);
        s.twsi += static_cast<char>(v);
    }
    const DEV_SWDRV_OM_T& om = DEV_SWDRV_OM();
    append(s.om, om.port_map);
    append(s.om, om.stacking_info);
    append(s.om, om.pvid);
    append(s.om, om.autoneg_cfg);
    append(s.om, om.pause_adv);
    append(s.om, std::array<uint8_t, 3>{om.extra_tag_room, om.tunnel_room, om.jumbo});
    append(s.om, om.storm);
    append(s.om, om.mirror);
    append(s.om, om.mirrored_vlans);
    append(s.om_tagged, om.tagged);
    return s;
}

bool fixed_row(const reqlayout::Row& r, uint8_t* result) {
    const std::string name = r.name;
    if (name == cmd::layout::kFixedTrue || name == cmd::layout::kNoCallTrue) {
        *result = 1;
        return true;
    }
    if (name == cmd::layout::kFixedFalse || name == cmd::layout::kNoCallFalse) {
        *result = 0;
        return true;
    }
    return false;
}
bool not_built(const reqlayout::Row& r) {
    return std::string(r.note).find("not built") != std::string::npos;
}

class SubcmdTableTest : public SwdrvTest {
  protected:
    struct Answer {
        uint8_t result = 0xFF;
        uint16_t size = 0;
        Bytes data;
    };
    Answer send(uint32_t sub, const Bytes& args) {
        std::vector<uint8_t> buf(ipcmsg::kHeaderSize + 8216, 0x5A);
        uint8_t* p = ipcmsg::payload(buf.data());
        be::put32(p, sub);
        std::copy(args.begin(), args.end(), p + 4);
        ipcmsg::set_cmd(buf.data(), cmd::kModule);
        ipcmsg::set_msg_size(buf.data(), static_cast<uint16_t>(4 + args.size()));
        EXPECT_TRUE(DEV_SWDRV_HandleIPCReqMsg(buf.data()));
        Answer a;
        a.result = p[0];
        a.size = ipcmsg::msg_size(buf.data());
        if (a.size >= 4 && a.size <= 8212) a.data.assign(p + 4, p + a.size);
        return a;
    }
    void start(const Case& c) {
        // The driver's start creates the port semaphore again: give the slot back.
        if (DEV_SWDRV_OM().port_sem_ok) SYSFUN_DestroySem(DEV_SWDRV_OM().port_sem_id);
        bring_up(c.two_devices ? two_device_board() : board::default_board());
        subcmd_cases::common_setup();
        if (c.setup) c.setup();
    }
};

std::string label(const Case& c) {
    const reqlayout::Row* r = cmd::row(c.sub);
    return std::to_string(c.sub) + " " + (r ? r->name : "(no row)");
}

TEST_F(SubcmdTableTest, EveryServedSubCommandHasACase) {
    std::set<uint32_t> covered;
    for (const Case& c : subcmd_cases::cases()) {
        const reqlayout::Row* r = cmd::row(c.sub);
        ASSERT_NE(r, nullptr) << "a case for " << c.sub << ", which has no row";
        uint8_t result;
        EXPECT_FALSE(fixed_row(*r, &result) || not_built(*r))
            << label(c) << " has a case but is not served by an operation";
        covered.insert(c.sub);
    }
    for (const reqlayout::Row& r : cmd::kRows) {
        uint8_t result;
        if (fixed_row(r, &result) || not_built(r)) continue;
        EXPECT_TRUE(covered.count(r.sub))
            << "sub-command " << r.sub << " " << r.name
            << " is served but has no line in tests/swdrv_handler/subcmd_cases.cpp";
    }
}

TEST_F(SubcmdTableTest, EachRequestDoesWhatTheOperationDoesWithItsArguments) {
    for (const Case& c : subcmd_cases::cases()) {
        SCOPED_TRACE(label(c));
        start(c);
        const Snapshot before = snapshot();
        subcmd_cases::Out out;
        const bool direct = c.direct(out);
        const Snapshot by_call = snapshot();

        start(c);
        Answer a = send(c.sub, c.request);
        EXPECT_EQ(a.result, direct ? 1 : 0);
        ASSERT_EQ(a.size, 4 + c.reply);
        EXPECT_EQ(a.data, Bytes(out.data, out.data + c.reply)) << "returned data";
        EXPECT_EQ(snapshot().diff(by_call), "") << "differs from the direct call";
        // A case with arguments whose operation neither succeeds, changes anything nor
        // returns anything could not tell a wrong argument from the right one.
        bool data = false;
        for (uint8_t b : a.data)
            data = data || b != 0;
        EXPECT_TRUE(c.request.empty() || direct || data || !by_call.diff(before).empty())
            << "the case shows no effect: choose other values or a setup";
    }
}

TEST_F(SubcmdTableTest, FixedAnswersCallNothing) {
    const Snapshot before = snapshot();
    for (const reqlayout::Row& r : cmd::kRows) {
        uint8_t result;
        if (!fixed_row(r, &result)) continue;
        Answer a = send(r.sub, subcmd_cases::W({1, 5, 77, 1}));
        EXPECT_EQ(a.result, result) << r.sub;
        EXPECT_EQ(a.size, 4 + r.reply_size) << r.sub;
    }
    EXPECT_EQ(snapshot().diff(before), "");
}

}  // namespace
