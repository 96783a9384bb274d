// Mirroring through the running daemon: port mirroring both ways, VLAN mirroring of its VLAN
// only.
#include "tests/sdk/chipsim/support/l2feat_e2e_fixture.h"

namespace {

using namespace l2feat_e2e;

TEST_F(L2FeatSwitch, PortMirroringCopiesBothDirectionsAndVlanMirroringOnlyItsVlan) {
    inject(2, untagged(kBroadcast, mac(0x02)).bytes());
    inject(1, untagged(kBroadcast, mac(0x01)).bytes());
    run({"mirror", "port", "1", "5", "5"});
    EXPECT_EQ(inject(1, untagged(mac(0x02), mac(0x01)).bytes()), (std::vector<uint8_t>{2, 5}));
    EXPECT_EQ(inject(2, untagged(mac(0x01), mac(0x02)).bytes()), (std::vector<uint8_t>{1, 5}));
    std::string out;
    run({"mirror", "show"}, &out);
    EXPECT_NE(out.find("entry 0  entry 0"), std::string::npos) << out;
    run({"mirror", "delete", "1"});
    EXPECT_EQ(inject(1, untagged(mac(0x02), mac(0x01)).bytes()), (std::vector<uint8_t>{2}));

    // VLAN 20 on ports 1 and 2, tagged; its frames (only) go to port 6 as well.
    run({"vlan", "create", "20"});
    run({"vlan", "add", "20", "1", "tagged"});
    run({"vlan", "add", "20", "2", "tagged"});
    run({"mirror", "vlan", "add", "20", "6"});
    EXPECT_EQ(d.drvctl({"mirror", "vlan", "add", "10", "5"}, &out), 1);  // another destination
    EXPECT_EQ(inject(1, tagged(mac(0x02), mac(0x01), 20).bytes()), (std::vector<uint8_t>{2, 6}));
    EXPECT_EQ(inject(1, untagged(mac(0x02), mac(0x01)).bytes()), (std::vector<uint8_t>{2}));
    run({"mirror", "vlan", "remove", "20", "6"});
    EXPECT_EQ(inject(1, tagged(mac(0x02), mac(0x01), 20).bytes()), (std::vector<uint8_t>{2}));
}

}  // namespace
