// The commands of drvctl.
#pragma once

#include <cstdio>

#include "tools/drvctl/drvctl.h"

namespace drvctl {

struct Command {
    const char* name;
    const char* usage;  // one or more lines, without the leading "drvctl "
    int (*run)(Args& args);
};

// Every command, in the order `drvctl help` lists them.
const std::vector<Command>& commands();
// The command being run (its usage is what usage_error prints).
void set_current_command(const Command* c);
void print_usage(FILE* out);

int cmd_raw(Args& args);
int cmd_menu(Args& args);
int cmd_reload(Args& args);
int cmd_stop(Args& args);
int cmd_log(Args& args);
int cmd_threads(Args& args);
int cmd_console(Args& args);
int cmd_timerange(Args& args);
int cmd_ports(Args& args);
int cmd_phy(Args& args);
int cmd_sim(Args& args);
int cmd_inject(Args& args);
int cmd_capture(Args& args);
int cmd_frames(Args& args);
int cmd_fdb(Args& args);
int cmd_clock(Args& args);
int cmd_vlan(Args& args);
int cmd_stp(Args& args);
int cmd_port(Args& args);
// `port status ...` and `port cable-test ...` (args.words begin with the subcommand).
int cmd_port_status(Args& args);
int cmd_port_attach(Args& args);
int cmd_poe(Args& args);
int cmd_sim_poe(Args& args);
int cmd_transceiver(Args& args);
// `sim sfp ...` (args.words begin with "sfp").
int cmd_sim_sfp(Args& args);
int cmd_counters(Args& args);
int cmd_trunk(Args& args);
int cmd_storm(Args& args);
int cmd_mirror(Args& args);
int cmd_addr(Args& args);
int cmd_nic(Args& args);

}  // namespace drvctl
