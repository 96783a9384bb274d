// VLANs of the bridge engine: the VLAN table (member ports, how each member sends the VLAN's
// frames, the VLAN's attributes), the VLAN MRU profiles, the protocol classes of
// protocol-based VLANs, and the VLAN settings of each port (port VLAN id, ingress filter,
// acceptable frame types, tag protocol id, 802.1Q tunnel access, default user priority).
#pragma once

#include "sdk/sdk_types.h"

// VLAN ids the table holds: 0..SDK_VLAN_ID_MAX (0 and 4095 are reserved by 802.1Q but the
// table has rows for them).
constexpr uint16_t SDK_VLAN_ID_MAX = 4095;

// How a member port sends a VLAN's frames.
constexpr uint8_t SDK_VLAN_TAG_CMD_UNTAGGED = 0;  // without a VLAN tag
constexpr uint8_t SDK_VLAN_TAG_CMD_TAGGED = 1;    // with the VLAN's tag (replacing an outer tag)
constexpr uint8_t SDK_VLAN_TAG_CMD_PUSH = 2;      // the VLAN's tag added outside the frame's tag
constexpr uint8_t SDK_VLAN_TAG_CMD_POP = 3;       // the outer tag removed, an inner tag kept
// Length of the tagging-command array of an entry write or read (ports 0..255; the ports a
// device does not have are ignored on write and read back as untagged).
constexpr uint32_t SDK_VLAN_TAG_CMD_PORTS = 256;

// The attributes of a VLAN entry besides its ports: 31 words, 124 bytes.
struct SDK_BRG_VLAN_INFO {
    uint32_t stgId;             // spanning-tree group (0..31)
    uint32_t mruIdx;            // MRU profile (0..7)
    uint32_t learnEnable;       // source addresses are learned in the VLAN
    uint32_t naToCpuEnable;     // new-address messages to the CPU for the VLAN
    uint32_t mirrorToAnalyzer;  // frames received in the VLAN are mirrored to the analyzer
    uint32_t floodVidx;         // multicast group the VLAN floods to (SDK_VLAN_FLOOD_ALL: all
                                // members)
    uint32_t reserved[25];
};
static_assert(sizeof(SDK_BRG_VLAN_INFO) == 124);
constexpr uint32_t SDK_VLAN_FLOOD_ALL = 0xFFF;

// Writes a whole entry and makes it valid. taggedPorts must be a subset of memberPorts; a
// tagged member needs a tagging command other than untagged. tagCmds may be null (members
// then tagged or untagged as taggedPorts says).
SDK_STATUS sdkBrgVlanEntryWrite(uint8_t devNum, uint16_t vlanId, const SDK_PORTS_BMP* memberPorts,
                                const SDK_PORTS_BMP* taggedPorts, const SDK_BRG_VLAN_INFO* vlanInfo,
                                const uint8_t* tagCmds);
// Reads an entry; an invalid entry reads with isValid false and its last contents.
SDK_STATUS sdkBrgVlanEntryRead(uint8_t devNum, uint16_t vlanId, SDK_PORTS_BMP* memberPorts,
                               SDK_PORTS_BMP* taggedPorts, SDK_BRG_VLAN_INFO* vlanInfo,
                               bool* isValid, uint8_t* tagCmds);
SDK_STATUS sdkBrgVlanEntryInvalidate(uint8_t devNum, uint16_t vlanId);
// Adds (or re-adds) a port, CPU port included, to a valid entry: SDK_NOT_FOUND for an
// invalid one.
SDK_STATUS sdkBrgVlanMemberAdd(uint8_t devNum, uint16_t vlanId, uint8_t portNum, bool isTagged,
                               uint8_t tagCmd);
SDK_STATUS sdkBrgVlanPortDelete(uint8_t devNum, uint16_t vlanId, uint8_t portNum);
SDK_STATUS sdkBrgVlanToStpIdBind(uint8_t devNum, uint16_t vlanId, uint32_t stgId);
SDK_STATUS sdkBrgVlanLearningStateSet(uint8_t devNum, uint16_t vlanId, bool learnEnable);

// VLAN MRU profiles: each VLAN names one (by index); a frame longer than its VLAN's profile
// value is dropped.
constexpr uint32_t SDK_VLAN_MRU_PROFILES = 8;
SDK_STATUS sdkBrgVlanMruProfileIdxSet(uint8_t devNum, uint16_t vlanId, uint32_t mruIndex);
SDK_STATUS sdkBrgVlanMruProfileValueSet(uint8_t devNum, uint32_t mruIndex, uint32_t mruValue);
SDK_STATUS sdkBrgVlanMruProfileValueGet(uint8_t devNum, uint32_t mruIndex, uint32_t* mruValue);

// Port VLAN id: the VLAN of untagged and priority-tagged frames received on the port.
SDK_STATUS sdkBrgVlanPortVidSet(uint8_t devNum, uint8_t portNum, uint16_t vlanId);
SDK_STATUS sdkBrgVlanPortVidGet(uint8_t devNum, uint8_t portNum, uint16_t* vlanId);
// Ingress filter: frames of a VLAN the port is not a member of are dropped.
SDK_STATUS sdkBrgVlanPortIngFltEnable(uint8_t devNum, uint8_t portNum, bool enable);
SDK_STATUS sdkBrgVlanPortIngFltEnableGet(uint8_t devNum, uint8_t portNum, bool* enable);

// Acceptable frame types of a port.
constexpr uint32_t SDK_VLAN_ACCEPT_TAGGED = 0;    // tagged frames only
constexpr uint32_t SDK_VLAN_ACCEPT_ALL = 1;       // all frames
constexpr uint32_t SDK_VLAN_ACCEPT_UNTAGGED = 2;  // untagged (and priority-tagged) frames only
SDK_STATUS sdkBrgVlanPortAccFrameTypeSet(uint8_t devNum, uint8_t portNum, uint32_t frameType);
SDK_STATUS sdkBrgVlanPortAccFrameTypeGet(uint8_t devNum, uint8_t portNum, uint32_t* frameType);

// Tag protocol id of a port: a frame whose outer Ether type is this is tagged on receive,
// and tags the port adds carry it.
SDK_STATUS sdkBrgVlanPortTpidSet(uint8_t devNum, uint8_t portNum, uint16_t tpid);
SDK_STATUS sdkBrgVlanPortTpidGet(uint8_t devNum, uint8_t portNum, uint16_t* tpid);
// 802.1Q tunnel access port: every frame received is classified to the port VLAN id and
// keeps any tag of its own as an inner tag.
SDK_STATUS sdkBrgNestVlanAccessPortSet(uint8_t devNum, uint8_t portNum, bool enable);
SDK_STATUS sdkBrgNestVlanAccessPortGet(uint8_t devNum, uint8_t portNum, bool* enable);
// User priority given to untagged frames received on the port (0..7).
SDK_STATUS sdkBrgVlanPortDefaultUpSet(uint8_t devNum, uint8_t portNum, uint32_t up);
SDK_STATUS sdkBrgVlanPortDefaultUpGet(uint8_t devNum, uint8_t portNum, uint32_t* up);
// The outer tag a port adds copies its user priority from the frame's own (inner) tag.
SDK_STATUS sdkBrgVlanPortCopyInnerUpSet(uint8_t devNum, uint8_t portNum, bool enable);

// Protocol-based VLANs: SDK_VLAN_PROTO_CLASSES classes per device, each an encapsulation and
// a protocol value; per port and class, the VLAN an untagged frame of that protocol goes to.
constexpr uint32_t SDK_VLAN_PROTO_CLASSES = 8;
constexpr uint32_t SDK_VLAN_ENCAP_ETHERNET_II = 1;  // Ether type
constexpr uint32_t SDK_VLAN_ENCAP_RFC1042 = 2;      // SNAP with the RFC 1042 OUI
constexpr uint32_t SDK_VLAN_ENCAP_SNAP_8021H = 3;   // SNAP with the 802.1H OUI
constexpr uint32_t SDK_VLAN_ENCAP_SNAP_OTHER = 4;   // SNAP with another OUI
constexpr uint32_t SDK_VLAN_ENCAP_LLC_OTHER = 5;    // LLC: DSAP and SSAP
SDK_STATUS sdkBrgVlanProtoClassSet(uint8_t devNum, uint32_t entryNum, uint32_t encap,
                                   uint16_t protocol);
SDK_STATUS sdkBrgVlanProtoClassInvalidate(uint8_t devNum, uint32_t entryNum);
SDK_STATUS sdkBrgVlanPortProtoVlanSet(uint8_t devNum, uint8_t portNum, uint32_t entryNum,
                                      bool valid, uint16_t vlanId);
