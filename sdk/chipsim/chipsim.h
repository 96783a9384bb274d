// chipsim: the behavioural model of the switching chip and the board behind the sdk*
// operations. Its state is process-global, like the hardware it stands for. This header is
// how tests, the simulation-control channel and tools build it, look into it and act on the
// world around it: it gathers the inspection of every feature, each declared in the
// feature's own folder.
//
// Layout: core/ holds the model, its devices, the packet, the stage list and the hop loop,
// the clock, faults and locks; every chip feature has a folder of its own with its state,
// its sdk* operations, its pipeline stage(s), its inspection and its simulation-control
// commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/board/board.h"
#include "sdk/chipsim/cable/cable.h"
#include "sdk/chipsim/capture/capture.h"
#include "sdk/chipsim/core/counters.h"
#include "sdk/chipsim/core/flow_cache.h"
#include "sdk/chipsim/core/inject.h"
#include "sdk/chipsim/counters/mac_counters.h"
#include "sdk/chipsim/cpu/cpu.h"
#include "sdk/chipsim/cpu/cpu_codes.h"
#include "sdk/chipsim/cscd/cscd.h"
#include "sdk/chipsim/fdb/fdb.h"
#include "sdk/chipsim/mirror/mirror.h"
#include "sdk/chipsim/misc/misc.h"
#include "sdk/chipsim/netif/netif.h"
#include "sdk/chipsim/phy/phy.h"
#include "sdk/chipsim/port/port.h"
#include "sdk/chipsim/ratelimit/ratelimit.h"
#include "sdk/chipsim/secur/secur.h"
#include "sdk/chipsim/storm/storm.h"
#include "sdk/chipsim/stp/stp.h"
#include "sdk/chipsim/system/system.h"
#include "sdk/chipsim/traps/traps.h"
#include "sdk/chipsim/trunk/trunk.h"
#include "sdk/chipsim/twsi/twsi.h"
#include "sdk/chipsim/txq/txq.h"
#include "sdk/chipsim/vlan/vlan.h"
#include "sdk/sdk_types.h"

namespace chipsim {

// ---- Building the model ----------------------------------------------------------------
// A fresh, powered-on but not yet initialised model of the board (sdkSystemInit brings it
// up). The board also becomes the platform's current board, so the stack-topology service
// and the hardware configuration describe the same hardware. The model it replaces is
// freed: only for tests, between cases, while no other thread uses the model.
void reset(const board::Description& board);
// The same for the platform's current board.
void reset();
bool initialised();

// ---- Fault injection (platform/components/faults.h) --------------------------------------
// Operation `op` (an sdk* name) returns rc for `count` calls after letting `skip` pass
// (count 0 disarms it).
void fail(const std::string& op, SDK_STATUS rc, uint32_t count = 1, uint32_t skip = 0);
void clear_faults();

}  // namespace chipsim
