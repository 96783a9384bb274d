// The chip SDK: every area the drivers call. Each area has its own header; a new area
// (VLANs, FDB, ...) adds sdk_AREA.h here and its operations to the model in chipsim/.
#pragma once

#include "sdk/sdk_brg.h"
#include "sdk/sdk_cfg.h"
#include "sdk/sdk_counters.h"
#include "sdk/sdk_cscd.h"
#include "sdk/sdk_fdb.h"
#include "sdk/sdk_misc.h"
#include "sdk/sdk_netif.h"
#include "sdk/sdk_os.h"
#include "sdk/sdk_phy.h"
#include "sdk/sdk_port.h"
#include "sdk/sdk_stp.h"
#include "sdk/sdk_trap.h"
#include "sdk/sdk_twsi.h"
#include "sdk/sdk_types.h"
#include "sdk/sdk_vlan.h"
