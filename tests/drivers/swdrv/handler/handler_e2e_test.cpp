// The module-119 protocol through the real queues of a running driver_proc: answers and
// their sizes, and a VLAN built and torn down by requests, checked against the chip model's
// VLAN table (over the simulation-control queue) after every step.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

#include "drivers/swdrv/dev_swdrv_subcmd.h"
#include "platform/common/byteorder.h"
#include "platform/simctl/simctl.h"
#include "sdk/simproto/simctl_cmds.h"
#include "tests/support/daemon.h"

namespace {

namespace sc = simproto;
using testing_support::Daemon;
using testing_support::Reply;

constexpr uint32_t kQueue = 24;
namespace cmd = swdrv::subcmd;
constexpr uint16_t kModule = cmd::kModule;

struct ChipVlan {
    uint64_t members = 0;  // bit p: device port p, bit 63 the CPU port
    uint64_t tagged = 0;
    bool operator==(const ChipVlan&) const = default;
};
using ChipTable = std::map<uint16_t, ChipVlan>;

uint64_t bits(std::initializer_list<uint32_t> ports) {
    uint64_t b = 0;
    for (uint32_t p : ports)
        b |= uint64_t{1} << p;
    return b;
}

// The valid entries of a device's VLAN table, page by page.
ChipTable chip_vlans(Daemon& d, uint32_t dev) {
    ChipTable t;
    uint32_t next = 0;
    do {
        Reply r = d.request(simctl::kQueueKey, sc::kVlans, {dev, next});
        EXPECT_TRUE(r.answered && r.result() == 1);
        if (!r.answered || r.result() != 1) break;
        sc::VlansReply vlans;
        EXPECT_TRUE(sc::decode_reply(r.payload, &vlans));
        next = vlans.next;
        for (const sc::VlanRecord& rec : vlans.items) {
            ChipVlan v;
            v.members = rec.member_bits();
            v.tagged = rec.tagged_bits();
            t[rec.vid] = v;
        }
    } while (next != 0);
    return t;
}

// A module-119 request that must be answered TRUE with msg_size 4.
void ok(Daemon& d, const std::vector<uint32_t>& words) {
    Reply r = d.request(kQueue, kModule, words);
    ASSERT_TRUE(r.answered) << words[0];
    EXPECT_EQ(r.result(), 1) << words[0];
    EXPECT_EQ(r.msg_size, 4) << words[0];
}

TEST(SwdrvRequests, DrvctlPrintsTheLayoutsOfModule119) {
    Daemon d;  // drvctl reads the layouts from its own table: no daemon needed
    std::string out;
    ASSERT_EQ(d.drvctl({"raw", "--help", "119", "39"}, &out), 0);
    EXPECT_EQ(out, "  39  CreateVlan" + std::string(32, ' ') + "4 VLAN\n");
    ASSERT_EQ(d.drvctl({"raw", "--help", "119"}, &out), 0);
    size_t rows = 0;
    for (const reqlayout::Row& row : cmd::kRows) {
        std::string head = std::to_string(row.sub) + "  " + row.name;
        size_t at = out.find(head);
        EXPECT_NE(at, std::string::npos) << head;
        rows += at != std::string::npos;
    }
    EXPECT_EQ(rows, std::size(cmd::kRows));
    EXPECT_NE(out.find(" 203  TwsiDataRead"), std::string::npos);
    EXPECT_NE(out.find("answered FALSE with msg_size 4"), std::string::npos);
    // Numbers and modules without a layout.
    EXPECT_EQ(d.drvctl({"raw", "--help", "119", "142"}, &out), 1);
    EXPECT_EQ(d.drvctl({"raw", "--help", "120"}, &out), 1);
    EXPECT_EQ(d.drvctl({"raw", "--help"}, &out), 2);
    ASSERT_EQ(d.drvctl({"help"}, &out), 0);
    EXPECT_NE(out.find("drvctl raw --help 119"), std::string::npos);
}

TEST(SwdrvRequests, UnservedSubCommandsAreAnsweredFalseWithSizeFour) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    for (uint32_t sub : {0u, 1u, 3u, 239u}) {
        Reply r = d.request(kQueue, kModule, {sub, 1, 1, 1});
        ASSERT_TRUE(r.answered) << sub;
        EXPECT_EQ(r.msg_size, 4) << sub;
        EXPECT_EQ(r.result(), 0) << sub;
    }
    std::string out;
    ASSERT_EQ(d.drvctl({"raw", "119", "239", "1", "1"}, &out), 0);
    EXPECT_EQ(out, "size=4 payload=000000ef\n");
}

// The result overwrites only the first byte of the sub-command word; the other three bytes
// come back as they were sent, for every module.
TEST(SwdrvRequests, TheResultByteIsTheOnlyByteOfTheSubCommandWordWritten) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    const struct {
        uint16_t module;
        uint32_t word0;
        uint32_t answered;
    } cases[] = {
        {119, 239, 0x000000ef},         // unserved
        {119, 170, 0x010000aa},         // answered TRUE without a call
        {119, 111, 0x0000006f},         // answered FALSE without a call
        {119, 0x00ab0005, 0x00ab0005},  // unserved (above 238), high byte already 0
        {120, 0x12345678, 0x00345678}, {121, 0x12345678, 0x00345678},
        {125, 0x12345678, 0x01345678},  // the counters driver answers unknown codes TRUE
        {126, 0x12345678, 0x00345678}, {127, 0x12345678, 0x00345678},
    };
    for (const auto& c : cases) {
        Reply r = d.request(kQueue, c.module, {c.word0, 1, 1, 1});
        ASSERT_TRUE(r.answered) << c.module << " " << c.word0;
        ASSERT_GE(r.payload.size(), 4u);
        EXPECT_EQ(be::get32(r.payload.data()), c.answered) << c.module << " " << c.word0;
    }
    std::string out;
    ASSERT_EQ(d.drvctl({"raw", "119", "6", "1", "1"}, &out), 0);
    EXPECT_EQ(out.substr(0, 24), "size=16 payload=01000006") << out;
}

TEST(SwdrvRequests, FixedAnswersTouchNoChipStateAndFailuresKeepTheirSizes) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    auto snapshot = [&] {
        std::vector<std::vector<uint8_t>> s;
        s.push_back(d.request(simctl::kQueueKey, sc::kPorts, {}).payload);
        s.push_back(d.request(simctl::kQueueKey, sc::kVlanPorts, {}).payload);
        s.push_back(d.request(simctl::kQueueKey, sc::kStpStates, {0}).payload);
        s.push_back(d.request(simctl::kQueueKey, sc::kVlans, {0, 0}).payload);
        return s;
    };
    auto before = snapshot();
    Reply r = d.request(kQueue, kModule, {cmd::kNoCallTrue170, 1, 1, 1});
    EXPECT_EQ(r.result(), 1);
    EXPECT_EQ(r.msg_size, 4);
    r = d.request(kQueue, kModule, {cmd::kNoCallFalse111, 1, 1, 1});
    EXPECT_EQ(r.result(), 0);
    EXPECT_EQ(r.msg_size, 4);
    EXPECT_EQ(snapshot(), before);

    const struct {
        std::vector<uint32_t> words;
        uint16_t size;
    } failing[] = {{{cmd::kGetPortType, 1, 17}, 8},         // port type of no port
                   {{cmd::kTwsiRegisterRead, 0x55, 0}, 8},  // nobody at that bus address
                   {{cmd::kGetAllPortOperSpeedDuplex, 1, 1, 17}, 196},  // all-port status
                   {{cmd::kGetCableDiag, 1, 17}, 32},                   // cable test
                   {{cmd::kAddPortVlanSet, 1, 1, 50}, 4}};              // VLAN 50 does not exist
    for (const auto& f : failing) {
        r = d.request(kQueue, kModule, f.words);
        ASSERT_TRUE(r.answered);
        EXPECT_EQ(r.result(), 0) << f.words[0];
        EXPECT_EQ(r.msg_size, f.size) << f.words[0];
    }
}

// Creating a VLAN the chip cannot hold prints the chip's refusal and still answers TRUE;
// nothing is written, and an id beyond 16 bits does not wrap onto a real VLAN.
TEST(SwdrvRequests, CreatingAVlanTheChipCannotHoldAnswersTrueAndWritesNothing) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    ok(d, {39, 20});
    const ChipTable before = chip_vlans(d, 0);
    ASSERT_EQ(before.size(), 1u);
    for (uint32_t vid : {0u, 4095u, 4096u, 65537u, 0x10014u, 0xFFFFFFFFu}) {
        ok(d, {39, vid});
        EXPECT_TRUE(d.wait_console(", arg = 0," + std::to_string(vid) + "\r\n")) << vid;
    }
    EXPECT_TRUE(d.wait_console("DEV_SWDRV_CreateVlan(): Line = "));
    EXPECT_EQ(chip_vlans(d, 0), before);
    // The other operations refuse such ids with FALSE.
    for (uint32_t sub : {40u, 63u})
        EXPECT_EQ(d.request(kQueue, kModule, {sub, 4095}).result(), 0) << sub;
}

TEST(SwdrvRequests, AVlanBuiltAndTornDownMatchesTheChipAtEveryStep) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    ChipTable expect;
    auto step = [&](const std::vector<uint32_t>& words) {
        ok(d, words);
        EXPECT_EQ(chip_vlans(d, 0), expect) << "after sub-command " << words[0];
    };
    expect[10] = {};
    step({cmd::kCreateVlan, 10});  // create
    expect[10] = {bits({0}), bits({0})};
    step({cmd::kAddPortVlanSet, 1, 1, 10});  // port 1 tagged
    expect[10].members |= bits({1});
    step({cmd::kAddPortUntaggedVlanSet, 1, 2, 10});  // port 2 untagged
    ok(d, {cmd::kSetPortDot1qTunnelMode, 1, 3, 2});  // port 3 becomes a tunnel access port
    expect[10].members |= bits({2});
    step({cmd::kAddPortVlanSet, 1, 3, 10});  // and joins untagged
    expect[10].members |= bits({63});
    expect[10].tagged |= bits({63});
    step({cmd::kAddCpuToVlan, 10});  // the CPU port
    expect[10].tagged |= bits({1});
    step({cmd::kDeletePortUntaggedVlanSet, 1, 2, 10});  // port 2 no longer untagged
    expect[10].members &= ~bits({0});
    expect[10].tagged &= ~bits({0});
    step({cmd::kDeletePortVlanSet, 1, 1, 10});  // port 1 leaves
    expect[10].members &= ~bits({63});
    expect[10].tagged &= ~bits({63});
    step({cmd::kDeleteCpuFromVlan, 10});  // the CPU port leaves
    expect.erase(10);
    step({cmd::kDestroyVlan, 10});  // destroy
}

TEST(SwdrvRequests, StackingLinksAreMembersOfEveryVlanOnTheTwoDeviceBoard) {
    Daemon d({"DRIVER_PROC_BOARD=" BOARDS_DIR "/two-device.board"});
    ASSERT_EQ(d.start(), 0);
    ok(d, {cmd::kCreateVlan, 20});
    ChipTable d0 = {{20, {bits({24}), bits({24})}}};
    ChipTable d1 = {{20, {bits({23, 24, 25}), bits({23, 24, 25})}}};
    EXPECT_EQ(chip_vlans(d, 0), d0);
    EXPECT_EQ(chip_vlans(d, 1), d1);
    ok(d, {cmd::kAddPortUntaggedVlanSet, 1, 12, 20});  // front port 12 is device 1 port 3
    ok(d, {cmd::kAddCpuToVlan, 20});
    d1[20].members |= bits({3, 63});
    d1[20].tagged |= bits({63});
    d0[20].members |= bits({63});
    d0[20].tagged |= bits({63});
    EXPECT_EQ(chip_vlans(d, 0), d0);
    EXPECT_EQ(chip_vlans(d, 1), d1);
    ok(d, {cmd::kDestroyVlan, 20});
    EXPECT_TRUE(chip_vlans(d, 0).empty());
    EXPECT_TRUE(chip_vlans(d, 1).empty());
}

TEST(SwdrvRequests, VlansBuiltOnAllFiveQueuesAtOnceAllArriveWhole) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    const uint32_t queues[] = {24, 25, 52, 56, 59};
    std::vector<std::thread> clients;
    std::atomic<int> refused{0};
    for (uint32_t i = 0; i < 5; ++i) {
        clients.emplace_back([&, i] {
            uint32_t vid = 100 + i;
            auto send = [&](const std::vector<uint32_t>& w) {
                Reply r = d.request(queues[i], kModule, w);
                if (!r.answered || r.result() != 1) ++refused;
            };
            for (int round = 0; round < 20; ++round) {
                send({cmd::kCreateVlan, vid});
                for (uint32_t p = 3 * i + 1; p <= 3 * i + 3; ++p)
                    send({p % 2 ? 45u : 43u, 1, p, vid});
                send({cmd::kAddCpuToVlan, vid});
                if (round < 19) send({cmd::kDestroyVlan, vid});
            }
        });
    }
    // The simulation control reads the table meanwhile.
    for (int i = 0; i < 20; ++i)
        chip_vlans(d, 0);
    for (std::thread& t : clients)
        t.join();
    EXPECT_EQ(refused, 0);
    ChipTable t = chip_vlans(d, 0);
    ASSERT_EQ(t.size(), 5u);
    for (uint32_t i = 0; i < 5; ++i) {
        uint64_t tagged = uint64_t{1} << 63, members = tagged;
        for (uint32_t p = 3 * i + 1; p <= 3 * i + 3; ++p) {
            uint32_t dev_port = p <= 14 ? p - 1 : p + 9;  // 15 and 16 are device ports 24, 25
            members |= uint64_t{1} << dev_port;
            if (p % 2) tagged |= uint64_t{1} << dev_port;
        }
        EXPECT_EQ(t[100 + i], (ChipVlan{members, tagged})) << i;
    }
    std::string out = d.run_file("stdout.log");
    EXPECT_EQ(out.find("Sanitizer"), std::string::npos) << out;
    EXPECT_EQ(out.find("runtime error"), std::string::npos) << out;
}

}  // namespace
