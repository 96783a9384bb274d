// Security defaults: what happens to a frame that raises a security event, the VLAN valid
// check, moved static addresses, and the packet sanity checks.
#pragma once

#include "sdk/sdk_types.h"

// Security events whose frames the chip drops: SDK_SECUR_BREACH_MOVED_STATIC (a source
// address held static on another port, while sdkBrgSecurBreachMovedStaticAddrSet is on),
// SDK_SECUR_BREACH_INVALID_VLAN (a frame classified to a VLAN the chip does not hold, while
// the VLAN valid check is on), SDK_SECUR_BREACH_INVALID_SA (a multicast source address).
constexpr uint32_t SDK_SECUR_BREACH_MOVED_STATIC = 3;
constexpr uint32_t SDK_SECUR_BREACH_INVALID_VLAN = 4;
constexpr uint32_t SDK_SECUR_BREACH_INVALID_SA = 5;
constexpr uint32_t SDK_SECUR_BREACH_EVENTS = 8;
// Drop modes: soft (a trap still sends the frame to the CPU) or hard.
constexpr uint32_t SDK_SECUR_DROP_SOFT = 0;
constexpr uint32_t SDK_SECUR_DROP_HARD = 1;
SDK_STATUS sdkBrgSecurBreachEventDropModeSet(uint8_t devNum, uint32_t event, uint32_t mode);
SDK_STATUS sdkBrgSecurBreachEventDropModeGet(uint8_t devNum, uint32_t event, uint32_t* mode);
SDK_STATUS sdkBrgVlanValidCheckEnableSet(uint8_t devNum, bool enable);
SDK_STATUS sdkBrgVlanValidCheckEnableGet(uint8_t devNum, bool* enable);
SDK_STATUS sdkBrgSecurBreachMovedStaticAddrSet(uint8_t devNum, bool enable);
SDK_STATUS sdkBrgSecurBreachMovedStaticAddrGet(uint8_t devNum, bool* enable);

// Sanity checks: IPv4 frames that fail an enabled check are dropped (hard).
constexpr uint32_t SDK_SANITY_SIP_EQ_DIP = 0;        // source address = destination address
constexpr uint32_t SDK_SANITY_TCP_SYN_FIN = 2;       // TCP with SYN and FIN
constexpr uint32_t SDK_SANITY_TCP_NULL = 3;          // TCP without flags
constexpr uint32_t SDK_SANITY_TCP_FRAG_OFFSET1 = 4;  // TCP fragment at offset 1
constexpr uint32_t SDK_SANITY_TCP_PORT_ZERO = 6;     // TCP source or destination port 0
constexpr uint32_t SDK_SANITY_ICMP_FRAG = 7;         // fragmented ICMP
constexpr uint32_t SDK_SANITY_CHECKS = 8;
SDK_STATUS sdkSecProtSanityCheckSet(uint8_t devNum, uint32_t check, bool enable);
SDK_STATUS sdkSecProtSanityCheckGet(uint8_t devNum, uint32_t check, bool* enable);
