// Bridge-engine port filters, address-update message switches, cascading.
#include "sdk/chipsim/core/model.h"
#include "sdk/sdk_brg.h"
#include "sdk/sdk_cscd.h"

using chipsim::Device;
using chipsim::Port;
using chipsim::with_device;
using chipsim::with_port;

SDK_STATUS sdkBrgGenPortOversizUntagPktFilterEnableSet(uint8_t devNum, uint8_t portNum,
                                                       bool enable) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        p.oversize_filter = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgGenPortOversizUntagPktFilterEnableGet(uint8_t devNum, uint8_t portNum,
                                                       bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        *enable = p.oversize_filter;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbNaToCpuPerPortSet(uint8_t devNum, uint8_t portNum, bool enable) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        p.na_to_cpu = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbNaToCpuPerPortGet(uint8_t devNum, uint8_t portNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        *enable = p.na_to_cpu;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbAAandTAToCpuSet(uint8_t devNum, bool enable) {
    return with_device(__func__, devNum, [&](Device& d) {
        d.aa_ta_to_cpu = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkBrgFdbAAandTAToCpuGet(uint8_t devNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Device& d) {
        *enable = d.aa_ta_to_cpu;
        return SDK_OK;
    });
}

SDK_STATUS sdkCscdPortTypeSet(uint8_t devNum, uint8_t portNum, uint32_t portType) {
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        if (portType > SDK_CSCD_PORT_NETWORK) return SDK_BAD_PARAM;
        p.cscd_type = portType;
        return SDK_OK;
    });
}

SDK_STATUS sdkCscdPortTypeGet(uint8_t devNum, uint8_t portNum, uint32_t* portType) {
    if (!portType) return SDK_BAD_PTR;
    return with_port(__func__, devNum, portNum, [&](Device&, Port& p) {
        *portType = p.cscd_type;
        return SDK_OK;
    });
}

SDK_STATUS sdkCscdDevMapTableSet(uint8_t devNum, uint8_t targetDev,
                                 const SDK_CSCD_LINK* cascadeLink, bool srcPortTrunkHashEn) {
    if (!cascadeLink) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Device& d) {
        if (targetDev >= d.cscd.dev_map.size()) return SDK_OUT_OF_RANGE;
        if (cascadeLink->linkType > SDK_CSCD_LINK_TYPE_TRUNK) return SDK_BAD_PARAM;
        d.cscd.dev_map[targetDev] = {cascadeLink->linkNum, cascadeLink->linkType,
                                     srcPortTrunkHashEn};
        return SDK_OK;
    });
}

SDK_STATUS sdkCscdDevMapTableGet(uint8_t devNum, uint8_t targetDev, SDK_CSCD_LINK* cascadeLink,
                                 bool* srcPortTrunkHashEn) {
    if (!cascadeLink || !srcPortTrunkHashEn) return SDK_BAD_PTR;
    return with_device(__func__, devNum, [&](Device& d) {
        if (targetDev >= d.cscd.dev_map.size()) return SDK_OUT_OF_RANGE;
        const chipsim::DevMapEntry& e = d.cscd.dev_map[targetDev];
        cascadeLink->linkNum = e.link_num;
        cascadeLink->linkType = e.link_type;
        *srcPortTrunkHashEn = e.hash;
        return SDK_OK;
    });
}

SDK_STATUS sdkCscdTagSrcDevFilterSet(uint8_t devNum, bool enable) {
    return chipsim::with_device(__func__, devNum, [&](chipsim::Device& d) {
        d.cscd.src_dev_filter = enable;
        return SDK_OK;
    });
}

SDK_STATUS sdkCscdTagSrcDevFilterGet(uint8_t devNum, bool* enable) {
    if (!enable) return SDK_BAD_PTR;
    return chipsim::read_device(__func__, devNum, [&](chipsim::Device& d) {
        *enable = d.cscd.src_dev_filter;
        return SDK_OK;
    });
}
