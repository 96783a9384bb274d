#include "sdk/hwsvc/sys_hwcfg.h"

#include "platform/board/board.h"
#include "platform/components/calllog.h"

bool SYS_HWCFG_GetSFPTxDisableRegInfo(uint32_t board_id, uint32_t port,
                                      SYS_HWCFG_SfpTxDisableRegInfo_T* info) {
    calllog::recordf("SYS_HWCFG", "SYS_HWCFG_GetSFPTxDisableRegInfo(%u, %u)", board_id, port);
    if (!info) return false;
    for (const board::Unit& u : board::current().units) {
        if (u.board_id != board_id) continue;
        const board::Port* p = u.port(port);
        if (!p || !p->sfp || !p->sfp_tx) return false;
        const board::SfpTx& t = p->tx;
        *info = SYS_HWCFG_SfpTxDisableRegInfo_T{t.method,   t.data_len,      t.bus,
                                                t.mux_addr, t.mux_channel,   t.dev_addr,
                                                t.mask,     t.disable_value, t.offset};
        return true;
    }
    return false;
}

bool SYS_HWCFG_GetSfpPresentRegInfo(uint32_t board_id, uint32_t sfp_index,
                                    SYS_HWCFG_SfpPresentRegInfo_T* info) {
    calllog::recordf("SYS_HWCFG", "SYS_HWCFG_GetSfpPresentRegInfo(%u, %u)", board_id, sfp_index);
    if (!info) return false;
    for (const board::Unit& u : board::current().units) {
        if (u.board_id != board_id) continue;
        for (const board::Port& p : u.ports)
            if (p.sfp && p.cage && p.sfp_index == sfp_index) {
                *info =
                    SYS_HWCFG_SfpPresentRegInfo_T{p.present_addr, p.present_mask, p.present_shift};
                return true;
            }
    }
    return false;
}
