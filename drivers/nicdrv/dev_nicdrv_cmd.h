// Module 37, the CPU packet driver's requests: the command codes and the payload offsets of
// their fields. Packet data and mrefs travel as offsets into the shared IPC memory pool.
// Shared by the handler, the freeing side of other processes, drvctl and the tests.
#pragma once

#include <cstdint>

namespace nicdrv_cmd {

constexpr uint16_t kModule = 37;

constexpr uint32_t kSendPacketToPort = 0;
constexpr uint32_t kSendPacketByPort = 1;
constexpr uint32_t kSendPacketByPortList = 2;
constexpr uint32_t kReleaseByPortList = 3;         // only releases the mref
constexpr uint32_t kSendXbarPacketByPortList = 4;  // only releases the mref
constexpr uint32_t kAcceptOnly = 5;                // accepted, nothing sent
constexpr uint32_t kSendIUCPacket = 6;
constexpr uint32_t kFreeRxPacket = 7;

// Codes 0 and 1.
constexpr uint32_t kPortUnit = 4;
constexpr uint32_t kPortPort = 8;
constexpr uint32_t kPortData = 16;
constexpr uint32_t kPortLength = 20;
constexpr uint32_t kPortMref = 32;
// Codes 2 to 4: the port bitmap (3 bytes at 8) and the untagged bitmap (3 bytes at 11).
constexpr uint32_t kListCount = 4;
constexpr uint32_t kListPorts = 8;
constexpr uint32_t kListUntagged = 11;
constexpr uint32_t kListBitmapBytes = 3;
constexpr uint32_t kListData = 16;
constexpr uint32_t kListLength = 20;
constexpr uint32_t kListMref = 32;
// Code 5.
constexpr uint32_t kAcceptData = 8;
constexpr uint32_t kAcceptMref = 24;
// Code 6.
constexpr uint32_t kIucMref = 4;
constexpr uint32_t kIucUnit = 8;   // 16-bit
constexpr uint32_t kIucMask = 10;  // byte
// Code 7.
constexpr uint32_t kFreeInfo = 4;

// Payload bytes of the longest request.
constexpr uint32_t kRequestSize = 36;
// Positions of a port-list bitmap.
constexpr uint32_t kListPositions = 16;

// IUC destinations.
constexpr uint16_t kIucNeighbours = 0xFF80;
constexpr uint16_t kIucAll = 0xFFFF;
constexpr uint16_t kIucOther = 0xFFF0;

}  // namespace nicdrv_cmd
