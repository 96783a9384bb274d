// The simulation-control records on the wire: the layouts tools already read, round trips of
// every field kind, and replies cut short or with counts that lie.
#include <gtest/gtest.h>

#include <vector>

#include "sdk/simproto/simctl_cmds.h"

namespace {

namespace sc = simproto;

TEST(Codec, RecordsKeepTheirWireLayout) {
    sc::PortRecord p;
    p.front = 3;
    p.dev_port = 2;
    p.flags = 0x10203;
    p.link_speed = 4;
    p.mru = 0x5FA;
    p.phy_class = 0x1C0;
    p.partner_full = 1;
    p.partner_abilities = 0x7F;
    sc::Bytes b = sc::encode(p);
    const sc::Bytes want = {3,    0,    2,    0,    0, 1, 2, 3, 0, 0, 4, 0,
                            0x05, 0xFA, 0x01, 0xC0, 0, 0, 1, 0, 0, 0, 0, 0x7F};
    EXPECT_EQ(b, want);

    sc::CpuFrameRecord c;
    c.front = 1;
    c.device = 2;
    c.flags = sc::kCpuFrameTagged;
    c.vid = 10;
    c.cpu_code = 0x01020304;
    c.length = 64;
    EXPECT_EQ(sc::encode(c), (sc::Bytes{1, 2, 2, 0, 0, 10, 0, 0, 1, 2, 3, 4, 0, 0, 0, 64}));

    sc::InjectResult r;
    r.drop = 11;
    r.vid = 10;
    r.ports = {2, 3};
    r.count = 2;
    b = sc::encode(r);
    ASSERT_EQ(b.size(), 22u);
    EXPECT_EQ(b[3], 11);
    EXPECT_EQ(b[19], 2);
    EXPECT_EQ(b[20], 2);
    EXPECT_EQ(b[21], 3);
}

sc::Trace sample_trace() {
    sc::Trace t;
    sc::TraceEvent e;
    e.dev = 1;
    e.port = 24;
    e.front = sc::kNoFrontPort;
    e.verdict = uint8_t(sc::Verdict::kTrap);
    e.reason = 11;
    e.cpu_code = 326;
    e.ports = {{3, 4}, {63, 0}};
    e.nports = 2;
    e.stage = "traps_control";
    e.note = "";
    t.events.push_back(e);
    e.stage = "vlan_ingress";
    e.note = "vid 10";
    e.ports.clear();
    e.nports = 0;
    t.events.push_back(e);
    t.count = t.total = 2;
    return t;
}

TEST(Codec, RecordsRoundTrip) {
    sc::Trace t = sample_trace();
    sc::Bytes b = sc::encode(t);
    EXPECT_EQ(b.size(), sc::encoded_size(t));
    sc::Trace back;
    ASSERT_TRUE(sc::decode(b.data(), b.size(), &back));
    ASSERT_EQ(back.events.size(), 2u);
    EXPECT_EQ(back.events[0].stage, "traps_control");
    EXPECT_EQ(back.events[0].cpu_code, 326u);
    EXPECT_EQ(back.events[0].ports[1].dev_port, 63);
    EXPECT_EQ(back.events[0].ports[1].front, 0);
    EXPECT_EQ(back.events[1].note, "vid 10");
    EXPECT_TRUE(back.events[1].ports.empty());
    EXPECT_EQ(sc::encode(back), b);

    sc::CountersReply c;
    c.reasons = 3;
    c.count = 2;
    for (uint8_t i = 0; i < 2; ++i) {
        sc::CounterRecord r;
        r.front = i;
        r.rx_bytes = 0x0102030405060708ull + i;
        r.drops = {1, 0, 0xFFFFFFFFFFull};
        c.items.push_back(r);
    }
    b.clear();
    encode(c, &b);
    EXPECT_EQ(b.size(), 8 + 2 * (sc::kCounterRecordHeader + 3 * 8));
    sc::CountersReply cb;
    sc::Decoder d(b);
    ASSERT_TRUE(decode(d, &cb));
    ASSERT_EQ(cb.items.size(), 2u);
    EXPECT_EQ(cb.items[1].rx_bytes, 0x0102030405060709ull);
    EXPECT_EQ(cb.items[1].drops, (std::vector<uint64_t>{1, 0, 0xFFFFFFFFFFull}));
}

TEST(Codec, ShortOrLyingRepliesAreRefused) {
    // Every cut of a trace fails to decode, wherever it falls.
    const sc::Bytes b = sc::encode(sample_trace());
    for (size_t len = 0; len < b.size(); ++len) {
        sc::Trace t;
        EXPECT_FALSE(sc::decode(b.data(), len, &t)) << "cut at " << len;
    }
    // Counts larger than the bytes that follow are refused before anything is sized by them.
    struct Case {
        const char* what;
        sc::Bytes bytes;
    } cases[] = {
        {"port list", {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3}},
        {"vlan list", {0, 0, 0, 1, 0, 0, 0, 0}},
        {"counters", {0, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        bool ok;
        if (std::string(c.what) == "port list") {
            sc::List<sc::PortRecord> l;
            ok = sc::decode(c.bytes.data(), c.bytes.size(), &l);
        } else if (std::string(c.what) == "vlan list") {
            sc::VlansReply v;
            ok = sc::decode(c.bytes.data(), c.bytes.size(), &v);
        } else {
            sc::CountersReply r;
            sc::Decoder d(c.bytes);
            ok = decode(d, &r);
        }
        EXPECT_FALSE(ok) << c.what;
    }
    // A reply without its result word has no record.
    sc::PhyValue v;
    EXPECT_FALSE(sc::decode_reply(sc::Bytes{1, 0}, &v));
    EXPECT_TRUE(sc::decode_reply(sc::Bytes{1, 0, 0, 0, 0, 0, 0x12, 0x34}, &v));
    EXPECT_EQ(v.value, 0x1234u);
}

TEST(Codec, TheCommandTableIsInNumberOrderWithUniqueNames) {
    const sc::Command* prev = nullptr;
    for (const sc::Command& c : sc::kCommands) {
        if (prev) {
            EXPECT_LT(prev->id, c.id);
            EXPECT_STRNE(prev->name, c.name);
        }
        EXPECT_EQ(sc::find_command(c.id), &c);
        prev = &c;
    }
    EXPECT_EQ(sc::find_command(0), nullptr);
}

}  // namespace
