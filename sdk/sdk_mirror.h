// Mirroring: copies of frames received or sent by a port, or received in a mirrored VLAN, go
// to an analyzer port. Devices with the analyzer-interface table name analyzers by index
// (entries 0 to 6); the others have one ingress and one egress analyzer port.
#pragma once

#include "sdk/sdk_types.h"

constexpr uint32_t SDK_MIRROR_ANALYZERS = 7;

struct SDK_MIRROR_ANALYZER {
    uint8_t hwDevNum;  // module id (hardware device number) of the analyzer port
    uint8_t portNum;
};

// Whether the device has the analyzer-interface table.
SDK_STATUS sdkMirrorAnalyzerTableSupported(uint8_t devNum, bool* supported);
SDK_STATUS sdkMirrorAnalyzerInterfaceSet(uint8_t devNum, uint32_t index,
                                         const SDK_MIRROR_ANALYZER* analyzer);
SDK_STATUS sdkMirrorAnalyzerInterfaceGet(uint8_t devNum, uint32_t index,
                                         SDK_MIRROR_ANALYZER* analyzer);
// The single analyzer ports, used while the to-analyzer forwarding mode is 0.
SDK_STATUS sdkMirrorRxAnalyzerPortSet(uint8_t devNum, uint8_t analyzerPort, uint8_t analyzerDev);
SDK_STATUS sdkMirrorTxAnalyzerPortSet(uint8_t devNum, uint8_t analyzerPort, uint8_t analyzerDev);
SDK_STATUS sdkMirrorRxAnalyzerPortGet(uint8_t devNum, uint8_t* analyzerPort, uint8_t* analyzerDev);
SDK_STATUS sdkMirrorTxAnalyzerPortGet(uint8_t devNum, uint8_t* analyzerPort, uint8_t* analyzerDev);
// 0: mirrored copies go to the single analyzer ports; 1: to the table entry each source names
// (only on devices with the table).
SDK_STATUS sdkMirrorToAnalyzerForwardingModeSet(uint8_t devNum, uint32_t mode);
SDK_STATUS sdkMirrorToAnalyzerForwardingModeGet(uint8_t devNum, uint32_t* mode);
// A port's ingress (Rx) or egress (Tx) mirroring, and the analyzer entry it mirrors to.
SDK_STATUS sdkMirrorRxPortSet(uint8_t devNum, uint8_t portNum, bool enable, uint32_t index);
SDK_STATUS sdkMirrorTxPortSet(uint8_t devNum, uint8_t portNum, bool enable, uint32_t index);
SDK_STATUS sdkMirrorRxPortGet(uint8_t devNum, uint8_t portNum, bool* enable, uint32_t* index);
SDK_STATUS sdkMirrorTxPortGet(uint8_t devNum, uint8_t portNum, bool* enable, uint32_t* index);
// The global ingress analyzer: frames received in a VLAN whose entry has mirrorToAnalyzer set
// are copied to analyzer entry `index` while it is enabled.
SDK_STATUS sdkMirrorRxGlobalAnalyzerInterfaceIndexSet(uint8_t devNum, bool enable, uint32_t index);
SDK_STATUS sdkMirrorRxGlobalAnalyzerInterfaceIndexGet(uint8_t devNum, bool* enable,
                                                      uint32_t* index);
