// The board description: the default board, the board-file format and its errors, and the
// stack-topology answers that come from it.
#include <gtest/gtest.h>

#include <set>

#include "platform/board/board.h"
#include "platform/stktplg/stktplg.h"

namespace {

TEST(Board, DefaultBoardHasSixteenDistinctPortsAndEveryPhyClass) {
    board::Description d = board::default_board();
    const board::Unit& u = d.my();
    ASSERT_EQ(u.ports.size(), 16u);
    std::set<int> dev_ports;
    std::set<uint16_t> classes;
    for (const board::Port& p : u.ports) {
        dev_ports.insert(p.device * 100 + p.dev_port);
        classes.insert(p.phy.cls);
        EXPECT_EQ(u.port_map[p.front - 1].phy_port, p.dev_port);
    }
    EXPECT_EQ(dev_ports.size(), 16u);
    EXPECT_EQ(classes, (std::set<uint16_t>{0, 0x10, 0x80, 0x90, 0x1C0, 0x2A0, 0x2B0}));
    const board::Port& p1 = *u.port(1);
    EXPECT_EQ(p1.phy.cls, 0x1C0);
    EXPECT_FALSE(p1.sfp_tx);
    EXPECT_EQ(u.port(15)->dev_port, 24);
    EXPECT_EQ(u.port(16)->dev_port, 25);
    EXPECT_TRUE(u.device(0)->family == 12 || u.device(0)->family == 13);
}

TEST(Board, TwoDeviceBoardFileLoads) {
    board::Description d;
    std::string error;
    ASSERT_TRUE(board::load_file(BOARDS_DIR "/two-device.board", &d, &error)) << error;
    const board::Unit& u = d.my();
    EXPECT_EQ(u.devices.size(), 2u);
    EXPECT_EQ(u.port_map[8].module_id, 1);  // port 9 on device 1
    EXPECT_EQ(u.port_map[8].device_id, 1);
    EXPECT_EQ(u.stacking[0].device, 1);
    EXPECT_EQ(u.stacking[1].port, 25);
    ASSERT_EQ(u.devices[1].cascade.size(), 1u);
    EXPECT_EQ(u.devices[1].cascade[0].port, 23);
}

TEST(Board, FileErrorsNameTheLine) {
    const std::string head = "unit id=1 board_id=0\ndevice id=0 hwdevnum=0 family=12 ports=0-3\n";
    struct Case {
        std::string text;
        std::string error;
    } cases[] = {
        {head + "port n=1 device=0 devport=9 type=ge if=gmii\n", "line 3: device 0 has no port 9"},
        {head + "port n=1 device=2 devport=0 type=ge if=gmii\n", "line 3: undeclared device"},
        {head + "port n=1 device=0 devport=0 type=ge if=gmii\nport n=2 device=0 devport=0 type=ge "
                "if=gmii\n",
         "line 4: device port used twice"},
        {head + "port n=17 device=0 devport=0 type=ge if=gmii\n", "line 3: n out of range: 17"},
        {head + "port n=1 device=0 devport=0 type=ge if=gmii colour=red\n",
         "line 3: port: unknown field colour"},
        {head + "port n=1 device=0 devport=0 type=ge if=token-ring\n",
         "line 3: unknown interface mode"},
        {"device id=0 hwdevnum=0 family=12 ports=0\n", "line 1: device before unit"},
        {head + "sfp port=5 index=1\n", "line 3: undeclared port 5"},
        {head + "bogus x=1\n", "line 3: unknown statement bogus"},
        {head + "port n=1 device=0 devport=0x type=ge if=gmii\n", "line 3: bad number for devport"},
        {"board name=x\n", "no unit"},
    };
    for (const Case& c : cases) {
        board::Description d;
        std::string error;
        EXPECT_FALSE(board::parse(c.text, &d, &error)) << c.text;
        EXPECT_NE(error.find(c.error), std::string::npos) << "got: " << error;
    }
    board::Description d;
    std::string error;
    EXPECT_FALSE(board::load_file("/nonexistent/board", &d, &error));
}

TEST(Board, StackTopologyAnswersFromTheBoard) {
    board::set_current(board::default_board());
    uint32_t idx = 0, dev = 0, port = 0;
    EXPECT_TRUE(STKTPLG_OM_IsComboPort(1, 9));
    EXPECT_FALSE(STKTPLG_OM_IsComboPort(1, 1));
    EXPECT_FALSE(STKTPLG_OM_IsComboPort(1, 99));
    EXPECT_TRUE(STKTPLG_OM_HasSfpPort(1, 13));
    EXPECT_FALSE(STKTPLG_OM_HasSfpPort(1, 2));
    EXPECT_TRUE(STKTPLG_POM_UserPortToSfpIndex(1, 16, &idx));
    EXPECT_EQ(idx, 8u);
    EXPECT_FALSE(STKTPLG_POM_UserPortToSfpIndex(1, 1, &idx));
    EXPECT_FALSE(STKTPLG_OM_GetStackingPortPhyDevPortId(1, &dev, &port));  // none on this board

    board::Description two;
    std::string error;
    ASSERT_TRUE(board::load_file(BOARDS_DIR "/two-device.board", &two, &error));
    board::set_current(two);
    EXPECT_TRUE(STKTPLG_OM_GetStackingPortPhyDevPortId(2, &dev, &port));
    EXPECT_EQ(dev, 1u);
    EXPECT_EQ(port, 25u);
    EXPECT_FALSE(STKTPLG_OM_GetStackingPortPhyDevPortId(3, &dev, &port));
    board::set_current(board::default_board());
}

}  // namespace
