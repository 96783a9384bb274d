#include "tools/drvctl/commands.h"

namespace drvctl {

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"raw",
         "raw MODULE [WORD ...]   send a request of 32-bit words (--queue KEY, default 24)\n"
         "raw --help 119 [SUB]    the sub-commands of module 119 and their argument layouts",
         cmd_raw},
        {"menu", "menu NAME               open a debug menu (\"l_mm\": the memory library's)",
         cmd_menu},
        {"reload", "reload warm|cold        reload the switch through its restart task",
         cmd_reload},
        {"stop", "stop                    stop the driver process and remove its resources",
         cmd_stop},
        {"log", "log [COMPONENT]         calls a platform component received (none: list them)",
         cmd_log},
        {"threads", "threads                 the threads of the instance", cmd_threads},
        {"console", "console                 the driver process's console output so far",
         cmd_console},
        {"ports",
         "ports                   the chip's front ports: configured and operational state",
         cmd_ports},
        {"phy",
         "phy PORT [PAGE]         the PHY registers of a port\n"
         "phy PORT read [PAGE] REG | phy PORT write [PAGE] REG VALUE | phy PORT c45 DEV REG "
         "[VALUE]",
         cmd_phy},
        {"sim",
         "sim partner PORT up|down [auto|forced SPEED[half|full]] [abilities 10h,..,all] "
         "[pause|nopause] [asym|noasym] [fibre|copper]\n"
         "sim phy PORT answer|silent | sim twsi BUS ADDR fail N   control the simulated hardware\n"
         "sim cable PORT A|B|C|D|all open|short|cross|ok METRES | sim cable PORT none   a pair of "
         "a copper port's cable faulty or good at a distance\n"
         "sim poe attach PORT --class 0..4 [--watts W] | sim poe detach PORT   a powered device "
         "on a PoE port\n"
         "sim poe fault DEVICE none|silent|flaky   a PoE controller that does not answer, or "
         "fails every second write\n"
         "sim sfp insert PORT --file FILE | --type sfp|xfp|qsfp|qsfp+ [--vendor V] [--pn P] "
         "[--serial S] [--wavelength NM] [--temp C] [--vcc V] [--bias MA] [--tx DBM] [--rx DBM] "
         "[--external-cal]\n"
         "sim sfp set PORT [--temp C] [--vcc V] [--bias MA] [--tx DBM] [--rx DBM] [--lane 1-4]\n"
         "sim sfp remove PORT | sim sfp fail PORT N [--id] | sim sfp list | sim sfp dump PORT\n"
         "sim help                    the simulation-control commands and their words",
         cmd_sim},
        {"transceiver",
         "transceiver [PORT] [--raw]  what the transceiver monitor holds for each cage (--raw: "
         "as hex)",
         cmd_transceiver},
        {"inject",
         "inject [--trace] PORT HEX...        a frame (hex, FCS left out) enters front port PORT\n"
         "inject [--trace] PORT --pcap FILE   every frame of a pcap or pcapng file enters PORT\n"
         "  --trace: print each pipeline stage's decision about the frame\n"
         "inject ... --bad-fcs        the frames arrive with a bad frame check sequence",
         cmd_inject},
        {"capture",
         "capture PORTS --out FILE [--count N] [--seconds S]   what the ports send, to a pcap "
         "file (PORTS: 1,3-5,cpu or all; a FILE ending in .pcapng records each frame's port)\n"
         "capture start PORTS | capture stop --out FILE   the same in two steps",
         cmd_capture},
        {"frames",
         "frames [--clear]            frames received, sent, to the CPU and dropped, per port",
         cmd_frames},
        {"counters",
         "counters [PORT] [--rmon]    the ports' statistics (interface table or RMON; PORT: all "
         "of them in full)\n"
         "counters [PORT] --clear     clear one port's counters, or every port's\n"
         "counters [PORT] --watch [--seconds N]   rates per second, once a second",
         cmd_counters},
        {"fdb", "fdb [DEVICE]                the chip's MAC address table", cmd_fdb},
        {"addr",
         "addr show [vlan VID] [port PORT]   learned addresses, through the address table "
         "driver's scan\n"
         "addr add VID MAC PORT|trunk:N      a static entry; addr delete VID MAC\n"
         "addr flush port PORT|vlan VID|trunk N   removes learned entries; addr ageing "
         "SECONDS (0 off, 10..844)\n"
         "addr lookup VID MAC               where the table sends an address",
         cmd_addr},
        {"clock", "clock advance SECONDS [MS]  move the chip's clock forward (address ageing)",
         cmd_clock},
        {"port",
         "port enable|disable PORT         PORT: 1-16 (this unit) or UNIT/PORT\n"
         "port config PORT [speed S] [autoneg on|off] [flowctl on|off] [mtu BYTES]   S: "
         "10half|10full|100half|100full|1000half|1000full|10gfull\n"
         "port status [PORT]               link, speed, duplex, flow control and media\n"
         "port cable-test PORT             a cable test: each pair's status and distance\n"
         "port attach PORT tap [--name IFNAME] [--netns NAME]   the port's frames to and from a "
         "TAP interface\n"
         "port attach PORT wire INSTANCE:PORT   wired to a port of another instance\n"
         "port detach PORT | port attached     unbind a port; the bound ports",
         cmd_port},
        {"vlan",
         "vlan create|destroy VID          VID: 1-4094\n"
         "vlan add VID PORT|cpu [tagged|untagged] | vlan remove VID PORT|cpu\n"
         "vlan pvid PORT VID | vlan accept PORT all|tagged|untagged | vlan filter PORT on|off\n"
         "vlan show [VID]                  the chip's VLAN table | vlan ports: ports' VLAN "
         "settings",
         cmd_vlan},
        {"stp",
         "stp mode single|multiple | stp vlan VID INSTANCE (0 unbinds)\n"
         "stp state INSTANCE PORT disabled|blocking|listening|learning|forwarding\n"
         "stp show [INSTANCE]              the chip's port states (INSTANCE 0-31, default 0)",
         cmd_stp},
        {"trunk",
         "trunk create|destroy ID | trunk members ID [PORT...] (at most 8; none empties it)\n"
         "trunk balance MODE               1 src MAC, 2 dst MAC, 3 both, 4-6 the same with IP\n"
         "trunk show [DEVICE]              the chip's hash settings and trunk members",
         cmd_trunk},
        {"storm",
         "storm on|off PORT broadcast|multicast|unknown-unicast\n"
         "storm threshold PORT KIND RATE [RATE-MODE] | storm granularity PORT [RATE-MODE]\n"
         "storm show                       the ports' rate limiters and their drops",
         cmd_storm},
        {"mirror",
         "mirror port SOURCE INGRESS-DEST|- EGRESS-DEST|- | mirror delete SOURCE\n"
         "mirror vlan add|remove VID DEST | mirror mac DEST on|off\n"
         "mirror show [DEVICE]             the chip's analyzers and mirrored ports",
         cmd_mirror},
        {"nic",
         "nic send PORTS [--untagged PORTS] HEX   sends a frame from the CPU to a port or a list "
         "(1,2,5) through a module-37 request, the frame in the shared IPC pool\n"
         "nic capture --out FILE [--count N] [--seconds S]   the packets delivered to the "
         "packet layers, with their CPU code and source port, to a pcap file\n"
         "nic free MREF                 releases a delivered packet's mref (from `log LAN`) in "
         "this process",
         cmd_nic},
        {"poe",
         "poe send HEX                 a 15-byte PoE message (13 bytes: the checksum is added); "
         "prints the reply\n"
         "poe port PORT | poe status   a PoE port's state and measurements; the power supply, "
         "system and power-good ports",
         cmd_poe},
        {"timerange",
         "timerange list                          the time ranges, their windows and whether each "
         "is active\n"
         "timerange create NAME                   create a time range (names are cut to 32 "
         "characters)\n"
         "timerange create-index INDEX            create time range INDEX (0-49) with a default "
         "name\n"
         "timerange delete|hold|release ENTRY     delete it, or take/drop a reference as a user "
         "does\n"
         "timerange rename ENTRY NEWNAME          ENTRY: a name, or an index 0-49 when no entry "
         "has that name\n"
         "timerange absolute ENTRY [--start T] [--end T]   T: YYYY-MM-DDTHH:MM:SS (local) or now; "
         "neither clears\n"
         "timerange periodic ENTRY add|del DAY HH:MM:SS [DAY] HH:MM:SS   DAY: sun..sat, daily, "
         "weekdays, weekend or 0-255",
         cmd_timerange},
    };
    return table;
}

}  // namespace drvctl
