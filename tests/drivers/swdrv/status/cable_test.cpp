// Cable diagnostics: the test thread and its refusal while it runs, the result codes of the
// records, fibre and disabled ports answered at once, and the test of a linked gigabit port.
#include <chrono>
#include <thread>

#include "tests/drivers/swdrv/swdrv_fixture.h"

namespace {

class CableTest : public SwdrvTest {
  protected:
    void SetUp() override {
        SwdrvTest::SetUp();
        for (uint32_t p = 1; p <= 16; ++p)
            DEV_SWDRV_EnablePortAdmin(1, p);
    }
    void TearDown() override {
        // No test thread may outlive the test's chip model.
        for (uint32_t p = 1; p <= 16; ++p)
            wait_done(p);
        // A finished test's thread still leaves its slot in the instance as it ends.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        SwdrvTest::TearDown();
    }
    static DEV_SWDRV_CableDiagResult_T result(uint32_t port) {
        DEV_SWDRV_CableDiagResult_T r;
        EXPECT_TRUE(DEV_SWDRV_GetCableDiagResult(1, port, &r));
        return r;
    }
    static DEV_SWDRV_CableDiagResult_T wait_done(uint32_t port) {
        for (int i = 0; i < 500; ++i) {
            DEV_SWDRV_CableDiagResult_T r = result(port);
            if (!r.in_progress) return r;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ADD_FAILURE() << "the cable test of port " << port << " did not end";
        return result(port);
    }
    void cable(uint32_t front, uint32_t pair, uint32_t state, uint32_t metres) {
        ASSERT_TRUE(chipsim::set_cable_pair(at(front).first, dp(front), pair, state, metres));
    }
    // A copper port whose link is not at 1000 Mb/s, so that the test runs in a thread.
    void slow_partner(uint32_t front) {
        chipsim::Partner p;
        p.abilities = chipsim::kAb100Full;
        ASSERT_TRUE(chipsim::set_partner(at(front).first, dp(front), p));
    }
    uint32_t fibre_port() {
        for (uint32_t p = 16; p >= 1; --p) {
            uint32_t m = 0;
            if (DEV_SWDRV_GetPortMediaActive(1, p, &m) && m == DEV_SWDRV_MEDIA_FIBRE) return p;
        }
        return 0;
    }
};

TEST_F(CableTest, NeverTestedAtStart) {
    DEV_SWDRV_CableDiagResult_T r = result(1);
    EXPECT_EQ(r.link_state, 2u);
    for (uint16_t s : r.pair_status)
        EXPECT_EQ(s, DEV_SWDRV_CABLE_NOT_TESTED);
    uint8_t rec[24];
    DEV_SWDRV_EncodeCableDiagResult(r, rec);
    EXPECT_EQ(rec[7], 2);
    EXPECT_EQ(rec[9], 6);
    EXPECT_EQ(rec[15], 6);
}

TEST_F(CableTest, ThreadedTestReportsEachPairAndRefusesASecond) {
    slow_partner(3);
    cable(3, 1, SDK_CABLE_SHORT, 37);  // pair B shorted at 37 m: no link
    ASSERT_TRUE(DEV_SWDRV_GetCableDiag(1, 3));
    EXPECT_EQ(result(3).in_progress, 1);
    EXPECT_FALSE(DEV_SWDRV_GetCableDiag(1, 3)) << "a second test while one runs";
    // The link is held down while the test runs (the thread does it as it starts).
    bool held = false;
    for (int i = 0; i < 100 && !held && result(3).in_progress; ++i) {
        held = state(3).force_link_down;
        if (!held) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(held);
    DEV_SWDRV_CableDiagResult_T r = wait_done(3);
    EXPECT_FALSE(state(3).force_link_down);
    EXPECT_EQ(r.linked_test, 0);
    EXPECT_EQ(r.link_state, 2u);
    const uint16_t want[4] = {SDK_CABLE_NORMAL, SDK_CABLE_SHORT, SDK_CABLE_NORMAL,
                              SDK_CABLE_NORMAL};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.pair_status[i], want[i]) << "pair " << i;
        EXPECT_EQ(r.pair_distance[i], 37) << "pair " << i;
    }
    EXPECT_NE(r.time, 0u);
    // Done: the port can be tested again.
    EXPECT_TRUE(DEV_SWDRV_GetCableDiag(1, 3));
    wait_done(3);
}

TEST_F(CableTest, PairCodes) {
    struct Case {
        uint32_t state, metres;
        uint16_t status;
        uint8_t distance;
    } cases[] = {
        {SDK_CABLE_OPEN, 1, DEV_SWDRV_CABLE_ALL_OPEN, 0},  // no cable: all open below 2 m
        {SDK_CABLE_OPEN, 2, SDK_CABLE_OPEN, 2},
        {SDK_CABLE_CROSSTALK, 80, SDK_CABLE_CROSSTALK, 80},
        {SDK_CABLE_NORMAL, 300, SDK_CABLE_NORMAL, 255},  // distances stop at 255 m
    };
    for (const Case& c : cases) {
        slow_partner(6);
        for (uint32_t pair = 0; pair < 4; ++pair)
            cable(6, pair, c.state, c.metres);
        ASSERT_TRUE(DEV_SWDRV_GetCableDiag(1, 6));
        DEV_SWDRV_CableDiagResult_T r = wait_done(6);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(r.pair_status[i], c.status) << c.state << "@" << c.metres;
            EXPECT_EQ(r.pair_distance[i], c.distance) << c.state << "@" << c.metres;
        }
    }
}

TEST_F(CableTest, FibreAndDisabledPortsAnswerAtOnce) {
    uint32_t fibre = fibre_port();
    ASSERT_NE(fibre, 0u) << "the board has a fibre port";
    ASSERT_TRUE(DEV_SWDRV_GetCableDiag(1, fibre));
    DEV_SWDRV_CableDiagResult_T r = result(fibre);
    EXPECT_EQ(r.in_progress, 0) << "no thread for a fibre port";
    for (uint16_t s : r.pair_status)
        EXPECT_EQ(s, DEV_SWDRV_CABLE_NOT_TESTABLE);

    ASSERT_TRUE(DEV_SWDRV_DisablePortAdmin(1, 4));
    ASSERT_TRUE(DEV_SWDRV_GetCableDiag(1, 4));
    r = result(4);
    EXPECT_EQ(r.in_progress, 0);
    EXPECT_EQ(r.link_state, 2u);
    EXPECT_EQ(r.pair_status[0], DEV_SWDRV_CABLE_NOT_TESTABLE);
}

TEST_F(CableTest, LinkedGigabitPortIsTestedInPlace) {
    ASSERT_TRUE(link_up(2));
    ASSERT_TRUE(DEV_SWDRV_GetCableDiag(1, 2));
    DEV_SWDRV_CableDiagResult_T r = result(2);
    EXPECT_EQ(r.in_progress, 0);
    EXPECT_EQ(r.linked_test, 1);
    EXPECT_EQ(r.link_state, 1u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r.pair_status[i], SDK_CABLE_NORMAL);
        EXPECT_EQ(r.pair_distance[i], chipsim::kDefaultCableMetres);
    }
    EXPECT_FALSE(state(2).force_link_down);
    EXPECT_TRUE(link_up(2)) << "the linked test keeps the link";
}

TEST_F(CableTest, FaultyPairsTakeTheLink) {
    cable(5, 2, SDK_CABLE_OPEN, 10);  // pair C: no 1000 Mb/s
    uint32_t v = 0;
    ASSERT_TRUE(DEV_SWDRV_GetPortOperSpeedDuplex(1, 5, &v));
    EXPECT_EQ(v, 5u);
    cable(5, 0, SDK_CABLE_SHORT, 10);  // pair A: no link
    EXPECT_FALSE(link_up(5));
}

TEST_F(CableTest, BadPortsLeaveEverythingAsItWas) {
    console::Capture cap;
    chipsim::PortCable before = chipsim::port_cable(at(1).first, dp(1));
    for (uint32_t port : {0u, 17u, 0xFFFFu, 0xFFFFFFFFu})
        EXPECT_FALSE(DEV_SWDRV_GetCableDiag(1, port)) << port;
    EXPECT_FALSE(DEV_SWDRV_GetCableDiag(9, 1));
    DEV_SWDRV_CableDiagResult_T r;
    EXPECT_FALSE(DEV_SWDRV_GetCableDiagResult(1, 17, &r));
    EXPECT_FALSE(DEV_SWDRV_GetCableDiagResult(1, 1, nullptr));
    EXPECT_EQ(chipsim::port_cable(at(1).first, dp(1)), before);
    EXPECT_FALSE(state(1).force_link_down);
    // A PHY that fails the test leaves statuses 0 and the port free again.
    slow_partner(7);
    chipsim::fail("sdkCableTestStatusGet", SDK_FAIL, 1, 1);
    ASSERT_TRUE(DEV_SWDRV_GetCableDiag(1, 7));
    DEV_SWDRV_CableDiagResult_T failed = wait_done(7);
    for (uint16_t s : failed.pair_status)
        EXPECT_EQ(s, SDK_CABLE_TEST_FAIL);
    EXPECT_FALSE(state(7).force_link_down);
}

}  // namespace
