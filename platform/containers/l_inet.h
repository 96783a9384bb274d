// L_INET: conversion of IPv4 and IPv6 addresses between their binary form (network byte
// order, 4 or 16 bytes) and text. IPv6 text is written in the usual compressed form
// (lower-case hex, the longest run of zero groups as "::"); both full and compressed forms
// are read, as is an IPv4 tail ("::ffff:10.1.2.3").
//
// Stateless, so safe to call from any thread.
#pragma once

#include <cstdint>

// Address families as the callers pass them.
constexpr uint32_t L_INET_AF_INET = 2;
constexpr uint32_t L_INET_AF_INET6 = 10;

// An address read from text.
struct L_INET_AddrIp_T {
    uint32_t type;     // L_INET_AF_INET or L_INET_AF_INET6
    uint32_t addrlen;  // 4 or 16
    uint8_t addr[16];  // network byte order; bytes past addrlen are zero
};

// Writes the text of `address` (4 bytes for L_INET_AF_INET, 16 for L_INET_AF_INET6) into
// `text`, at most `size` bytes with the terminating zero. False for an unknown family, a
// null argument or a buffer too small; the buffer then holds "" when it has room for it.
bool L_INET_Ntop(uint32_t family, const void* address, char* text, uint32_t size);
// Reads dotted-decimal IPv4 or IPv6 text (the family follows from the text: IPv6 has a
// ':'). False, leaving *address zeroed, for text that is neither.
bool L_INET_Aton(const char* text, L_INET_AddrIp_T* address);
