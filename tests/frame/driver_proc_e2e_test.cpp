// The real driver_proc, started in its own instance and driven from this process.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "platform/backdoor/backdoor_mgr.h"
#include "platform/common/byteorder.h"
#include "platform/components/calllog.h"
#include "platform/instance/instance.h"
#include "platform/sysfun/ipc_client.h"
#include "platform/sysfun/sysfun_hooks.h"
#include "tests/support/daemon.h"

using testing_support::Daemon;

namespace {

const uint32_t kGroupQueues[] = {24, 25, 52, 56, 59};

std::string read_file(const std::string& path) {
    std::ifstream in(path);
    std::string s, line;
    while (std::getline(in, line))
        s += line + "\n";
    return s;
}

bool instance_has_shm(int id) {
    std::string prefix = "driver_proc." + std::to_string(id) + ".";
    for (const auto& e : std::filesystem::directory_iterator("/dev/shm"))
        if (e.path().filename().string().rfind(prefix, 0) == 0) return true;
    return false;
}

TEST(DriverProc, InitialisesInOrderThenCreatesEveryThread) {
    Daemon d({"DRIVER_PROC_WATCHDOG_PERIOD_MS=20"});
    ASSERT_EQ(d.start(), 0);
    std::vector<std::string> steps;
    for (const auto& e : calllog::read("DRIVER_PROC"))
        steps.push_back(e.text);
    const std::vector<std::string> expected_until_release = {
        "UC_MGR_InitiateProcessResources",
        "STKTPLG_BOARD_InitiateProcessResources",
        "DEV_SWDRV_ChipInit",
        "DEV_SWDRV_DisableAllPortAdmin",
        "L_CMNLIB_INIT_InitiateProcessResources",
        "SYSRSC_MGR_AttachSystemResources",
        "DRIVER_PROC_COMM_InitiateProcessResource",
        "DEV_SWDRV_Init",
        "DEV_NICDRV_Init",
        "ISC_AGENT_INIT_Initiate_System_Resources",
        "ISC_Init",
        "DEV_SWDRVL4_Init",
        "DEVRM_EngineInitial",
        "DEVRM_PceHWTableInitial",
        "DEV_AMTRDRV_Init",
        "SYS_TIME_Init_InitiateProcessResources",
        "STKTPLG_PMGR_InitiateProcessResources",
        "msl_task_global_init",
        "SYS_PMGR_InitiateProcessResource",
        "MIB2_PMGR_Init",
        "DHCPSNP_PMGR_InitiateProcessResource",
        "L_CMNLIB_INIT_Create_InterCSC_Relation",
        "relation: dev_swdrv",
        "LAN_Create_InterCSC_Relation",
        "relation: dev_nicdrv",
        "ISC_AGENT_INIT_Create_InterCSC_Relation",
        "ISC_INIT_Create_InterCSC_Relation",
        "SYSDRV_INIT_Create_I2CInterCSC_Relation",
        "relation: dev_amtrdrv",
        "AMTRDRV_MGR_Create_InterCSC_Relation",
        "SWDRV_INIT_Create_InterCSC_Relation",
        "SYSDRV_INIT_Create_InterCSC_Relation",
        "relation: dev_swdrvl4",
        "relation: dev_nmtrdrv",
        "NMTRDRV_Create_InterCSC_Relation",
        "LEDDRV_Create_InterCSC_Relation",
        "FLASHDRV_INIT_Create_InterCSC_Relation",
        "SYS_TIME_INIT_Create_InterCSC_Relation",
        "relation: msl",
        "MIB2_PMGR_Init",
        "SYSFUN_GiveSem"};
    // main returned: everything up to the release has happened, in this order.
    ASSERT_GE(steps.size(), expected_until_release.size());
    EXPECT_EQ(
        std::vector<std::string>(steps.begin(), steps.begin() + expected_until_release.size()),
        expected_until_release);
    EXPECT_TRUE(calllog::received("SYS_TIME",
                                  "SYS_TIME_Init_InitiateProcessResources(read=set, write=set)"));

    // The threads, in the order they are created, and the main thread serving last.
    ASSERT_TRUE(d.wait_console(""));
    for (int i = 0; i < 500 && !calllog::received("DRIVER_PROC", "serving"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::vector<std::string> names;
    for (const auto& t : sysfun::list_threads())
        if (t.pid == d.pid()) names.push_back(t.name);
    const std::vector<std::string> created = {"LAN",
                                              "NIC",
                                              "ISC_AGENT",
                                              "SWDRV_MONITOR",
                                              "AMTRDRV",
                                              "SYSDRV",
                                              "NMTRDRV",
                                              "FLASHDRV",
                                              "DRIVER_GROUP",
                                              "DRIVER_GROUP_TX",
                                              "DRIVER_GROUP_FREE",
                                              "DRIVER_GROUP_DISPATCH",
                                              "DRIVER_GROUP_TWSI",
                                              "MSL_TD"};
    size_t at = 0;
    for (const std::string& n : names)
        if (at < created.size() && n == created[at]) ++at;
    EXPECT_EQ(at, created.size()) << "threads missing or out of order";

    // Every monitored thread answers its watchdog (pings every 20 ms, timeout 10 pings).
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    EXPECT_EQ(d.console().find("missed its timeout"), std::string::npos) << d.console();
}

// Until the driver group's threads are created the driver process has one thread: every
// other thread of the daemon (Linux thread ids grow as threads are made) comes after "LAN",
// the first of them. The time ranges' clock runs in a process of its own.
TEST(DriverProc, OnlyTheMainThreadExistsBeforeTheDriverThreadsAreCreated) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    for (int i = 0; i < 500 && !calllog::received("DRIVER_PROC", "serving"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int pid = d.pid();
    ASSERT_GT(pid, 0);
    std::map<int, std::string> tasks;  // tid -> name
    for (const auto& e :
         std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        std::string name = read_file(e.path().string() + "/comm");
        if (!name.empty() && name.back() == '\n') name.pop_back();
        tasks[std::stoi(e.path().filename().string())] = name;
    }
    int lan = 0;
    for (const auto& [tid, name] : tasks)
        if (name == "LAN") lan = tid;
    ASSERT_GT(lan, 0);
#if !defined(__SANITIZE_THREAD__)  // ThreadSanitizer runs a thread of its own in the process
    for (const auto& [tid, name] : tasks)
        EXPECT_TRUE(tid == pid || tid >= lan)
            << name << " (" << tid << ") before LAN (" << lan << ")";
#endif
    bool sim_control = false;
    int clock_pid = 0;
    for (const auto& t : sysfun::list_threads()) {
        if (t.name == "SIM_CONTROL") sim_control = t.pid == pid;
        if (t.name == "TIME_RANGE") clock_pid = t.pid;
    }
    EXPECT_TRUE(sim_control);
    ASSERT_GT(clock_pid, 0);
    EXPECT_NE(clock_pid, pid);
    // The clock keeps the table live, and its process ends with the switch.
    std::string out;
    EXPECT_EQ(d.drvctl({"timerange", "list"}, &out), 0) << out;
    d.stop();
    auto gone = [&] {
        std::string stat = read_file("/proc/" + std::to_string(clock_pid) + "/stat");
        size_t at = stat.rfind(')');
        return at == std::string::npos || stat.substr(at + 2, 1) == "Z";
    };
    for (int i = 0; i < 300 && !gone(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(gone());
}

TEST(DriverProc, DispatchesByModuleOnAllFiveQueues) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    for (uint32_t q : kGroupQueues) {
        for (uint16_t cmd : {1000, 1001, 1002, 1008}) {
            auto r = d.request(q, cmd, {7, 7, 7});
            ASSERT_TRUE(r.answered) << "queue " << q << " cmd " << cmd;
            EXPECT_EQ(r.msg_size, 0);
        }
        // An unknown module is reported and not answered.
        EXPECT_FALSE(d.request(q, 555, {1}, 300).answered);
        // A system-callback message is consumed without an answer.
        EXPECT_FALSE(d.request(q, 117, {121, 1, 2, 3, 4, 5, 6}, 300).answered);
    }
    EXPECT_TRUE(d.wait_console(
        "DRIVER_GROUP_Mgr_Thread_Function_Entry: Invalid IPC req cmd. msgbuf_p->cmd=555\n"));
    EXPECT_FALSE(calllog::received("LAN", "LAN_DispatchPacket"));
    // Callback 120 reaches the LAN dispatcher, its fifth argument narrowed to 16 bits.
    EXPECT_FALSE(d.request(24, 117, {120, 0x40, 1, 3, 10, 0x12345, 6}, 300).answered);
    EXPECT_TRUE(calllog::received(
        "LAN", "LAN_DispatchPacket(mref=0x40, unit=1, port=3, vid=10, type=0x2345, prio=6)"));
    // A driver module answers its unknown sub-command FALSE with msg_size 4.
    auto r = d.request(24, 119, {9999});
    ASSERT_TRUE(r.answered);
    EXPECT_EQ(r.msg_size, 4);
    EXPECT_EQ(r.result(), 0);
}

// A client end of a menu session, held open by the test.
struct Session {
    int lfd = -1, fd = -1;
    std::string name;
    Session() {
        name = instance::socket_name("bdtest." + std::to_string(getpid()));
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::memcpy(a.sun_path + 1, name.data(), name.size());
        lfd = socket(AF_UNIX, SOCK_STREAM, 0);
        bind(lfd, reinterpret_cast<sockaddr*>(&a),
             static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size()));
        listen(lfd, 1);
    }
    std::vector<uint8_t> request(const std::string& menu) const {
        std::vector<uint8_t> p(BACKDOOR_MGR_REQ_SIZE, 0);
        be::put32(p.data(), BACKDOOR_MGR_OP_OPEN_MENU);
        std::memcpy(p.data() + BACKDOOR_MGR_REQ_OFF_NAME, menu.data(), menu.size());
        std::memcpy(p.data() + BACKDOOR_MGR_REQ_OFF_SOCKET, name.data(), name.size());
        return p;
    }
    bool accept_within(int ms) {
        pollfd pfd{lfd, POLLIN, 0};
        if (poll(&pfd, 1, ms) <= 0) return false;
        fd = accept(lfd, nullptr, nullptr);
        return fd >= 0;
    }
    ~Session() {
        if (fd >= 0) close(fd);
        close(lfd);
    }
};

TEST(DriverProc, MenusRunOnTheirThreadWhileTheOtherQueuesKeepServing) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    Session s;
    std::atomic<bool> menu_answered{false};
    std::thread opener(
        [&] { menu_answered = d.request_bytes(24, 118, s.request("dev_nicdrv"), 5000).answered; });
    ASSERT_TRUE(s.accept_within(3000));
    // The menu holds DRIVER_GROUP; the other four queues are served meanwhile.
    for (uint32_t q : {25u, 52u, 56u, 59u})
        EXPECT_TRUE(d.request(q, 1000, {}, 1000).answered) << q;
    EXPECT_FALSE(d.request(24, 1000, {}, 300).answered);
    close(s.fd);  // the client goes away: the menu ends, its request is answered
    s.fd = -1;
    opener.join();
    EXPECT_TRUE(menu_answered);
    EXPECT_TRUE(d.request(24, 1000, {}, 5000).answered);
    // A malformed menu request is not answered and holds nothing.
    std::vector<uint8_t> bad(BACKDOOR_MGR_REQ_SIZE, 0);
    EXPECT_FALSE(d.request_bytes(24, 118, bad, 300).answered);
    EXPECT_TRUE(d.request(24, 1001, {}, 5000).answered);

    std::string out;
    EXPECT_EQ(d.drvctl({"--timeout", "10000", "menu", "dev_nicdrv"}, &out, "q\n"), 0);
    EXPECT_NE(out.find("==== dev_nicdrv ===="), std::string::npos) << out;
}

// Each queue serves only the menus registered with its key: a menu named on another queue
// is refused (no answer, nothing connects to the client) and the queue goes on serving.
TEST(DriverProc, AMenuIsRefusedOnAQueueItWasNotRegisteredWith) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    const struct {
        uint32_t queue;
        uint16_t cmd;
        const char* menu;
    } refused[] = {{24, 118, "msl"},         {25, 118, "dev_swdrv"},  {59, 118, "dev_nicdrv"},
                   {2015, 118, "dev_swdrv"}, {1008, 90, "dev_swdrv"}, {1008, 90, "msl"}};
    for (const auto& r : refused) {
        Session s;
        EXPECT_FALSE(d.request_bytes(r.queue, r.cmd, s.request(r.menu), 300).answered)
            << r.menu << " on " << r.queue;
        EXPECT_FALSE(s.accept_within(0)) << r.menu << " ran on queue " << r.queue;
    }
    EXPECT_TRUE(
        d.wait_console("BACKDOOR_MGR: menu \"msl\" is served on queue 2015, not on queue 24"));
    for (uint32_t q : kGroupQueues)
        EXPECT_TRUE(d.request(q, 1000, {}, 1000).answered) << q;
    // The same menus on their own queues run.
    std::string out;
    EXPECT_EQ(d.drvctl({"menu", "msl"}, &out, "q\n"), 0);
    EXPECT_NE(out.find("==== msl ===="), std::string::npos) << out;
    EXPECT_EQ(d.drvctl({"menu", "dev_swdrv"}, &out, "q\n"), 0);
    EXPECT_NE(out.find("==== dev_swdrv ===="), std::string::npos) << out;
    EXPECT_EQ(d.drvctl({"--queue", "24", "--timeout", "300", "menu", "msl"}, &out), 3);
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// A receive that keeps failing is printed once per message event: the thread takes any
// failed receive as "queue empty" and waits, instead of polling the error for ever.
TEST(DriverProc, APersistentReceiveErrorIsPrintedOncePerEventNotSpun) {
    Daemon d({"DRIVER_PROC_PLATFORM_FAULTS=SYSFUN_ReceiveMsg.25=6"});
    ASSERT_EQ(d.start(), 0);
    const std::string failed = "Failed to receive IPC message.(msgq_key=25, rc=6)";
    // The first drain before the first wait.
    ASSERT_TRUE(d.wait_console(failed));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const size_t at_start = count(d.console(), failed);
    EXPECT_EQ(at_start, 1u);
    EXPECT_FALSE(d.request(25, 1000, {}, 300).answered);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(count(d.console(), failed), at_start + 1);
    for (uint32_t q : {24u, 52u, 56u, 59u})
        EXPECT_TRUE(d.request(q, 1000, {}, 1000).answered) << q;
}

// A refused message ends the drain, but the requests queued behind it are still served.
TEST(DriverProc, RequestsQueuedBehindARefusedMessageAreServed) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    Session s;
    std::thread opener([&] { d.request_bytes(24, 118, s.request("dev_nicdrv"), 5000); });
    ASSERT_TRUE(s.accept_within(3000));  // the menu holds DRIVER_GROUP
    int fd = socket(AF_UNIX, SOCK_DGRAM, 0);
    sa_family_t fam = AF_UNIX;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&fam), sizeof fam), 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string name = ipc::queue_socket_name(24);
    std::memcpy(addr.sun_path + 1, name.data(), name.size());
    socklen_t alen = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    const uint8_t runt[5] = {};
    ASSERT_EQ(sendto(fd, runt, sizeof runt, 0, reinterpret_cast<sockaddr*>(&addr), alen), 5);
    ipc::notify(24);
    std::atomic<bool> answered{false};
    std::thread behind([&] { answered = d.request(24, 1002, {}, 3000).answered; });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    close(s.fd);  // the menu ends; the thread finds the runt, then the request
    s.fd = -1;
    opener.join();
    behind.join();
    close(fd);
    EXPECT_TRUE(answered);
    EXPECT_TRUE(d.wait_console("Failed to receive IPC message.(msgq_key=24, rc=57)"));
}

TEST(DriverProc, MainQueueAnswersTheMemoryMenuOnlyWhenItRan) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    std::vector<uint8_t> bad(BACKDOOR_MGR_REQ_SIZE, 0);
    EXPECT_FALSE(d.request_bytes(1008, 90, bad, 300).answered);
    EXPECT_FALSE(d.request(1008, 91, {1}, 300).answered);
    EXPECT_TRUE(d.wait_console("\nDRIVER_PROC_Main_Thread_Function_Entry: Invalid IPC req cmd.\n"));
    Session s;
    std::atomic<bool> answered{false};
    std::thread opener(
        [&] { answered = d.request_bytes(1008, 90, s.request("l_mm"), 5000).answered; });
    ASSERT_TRUE(s.accept_within(3000));
    ASSERT_EQ(write(s.fd, "q\n", 2), 2);
    opener.join();
    EXPECT_TRUE(answered);
}

TEST(DriverProc, RequestsOnAllQueuesAreServedConcurrently) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    std::atomic<int> answered{0};
    std::vector<std::thread> clients;
    for (uint32_t q : kGroupQueues)
        for (int c = 0; c < 2; ++c)
            clients.emplace_back([&, q] {
                for (int i = 0; i < 200; ++i)
                    if (d.request(q, i % 2 ? 1002 : 119, {static_cast<uint32_t>(i)}, 2000).answered)
                        ++answered;
            });
    for (auto& t : clients)
        t.join();
    EXPECT_EQ(answered.load(), 5 * 2 * 200);
}

TEST(DriverProc, ReloadWritesTheBootRecordAndEndsTheSwitch) {
    for (const char* type : {"warm", "cold"}) {
        Daemon d;
        ASSERT_EQ(d.start(), 0);
        std::string out;
        EXPECT_EQ(d.drvctl({"reload", type}, &out), 0) << out;
        std::string expected = std::string(type) == "warm" ? "type=3" : "type=1";
        expected += ",startaddr=0x100000,bootreasonaddr=0xff00000\n";
        EXPECT_EQ(read_file(d.run_file("boot_record")), expected);
        EXPECT_EQ(d.pid(), 0);
        EXPECT_FALSE(instance_has_shm(d.instance()));
    }
}

TEST(DriverProc, KilledDaemonDoesNotStopTheNextStartAndARunningOneRefusesASecond) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    EXPECT_NE(d.start(5000), 0);  // the instance is taken
    int pid = d.pid();
    ASSERT_GT(pid, 0);
    kill(pid, SIGKILL);
    for (int i = 0; i < 200 && d.pid() == pid; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(instance_has_shm(d.instance()));  // what the killed one left behind
    ASSERT_EQ(d.start(), 0);
    EXPECT_TRUE(d.request(24, 1000, {}).answered);
    d.stop();
    EXPECT_FALSE(instance_has_shm(d.instance()));
}

// Process state letter from /proc/PID/stat ('Z': a zombie), or 0 when there is no process.
char process_state(int pid) {
    std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
    size_t at = stat.rfind(')');
    return at == std::string::npos || at + 2 >= stat.size() ? 0 : stat[at + 2];
}

// A daemon killed with SIGKILL stays a zombie until its parent reaps it (for ever under a
// first process that does not reap). This process adopts the orphaned daemon and holds it
// unreaped: the next start must still go ahead at once.
TEST(DriverProc, ARestartRightAfterAKillGoesAheadWhileTheDeadDaemonIsUnreaped) {
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    const int dead = d.pid();
    ASSERT_GT(dead, 0);
    ASSERT_EQ(kill(dead, SIGKILL), 0);
    for (int i = 0; i < 500 && process_state(dead) != 'Z'; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    ASSERT_EQ(process_state(dead), 'Z');
    EXPECT_EQ(d.pid(), 0);  // a zombie is not a running daemon

    EXPECT_EQ(d.start(), 0) << d.console();
    EXPECT_EQ(process_state(dead), 'Z');  // still there, unreaped
    const int second = d.pid();
    EXPECT_GT(second, 0);
    EXPECT_NE(second, dead);
    EXPECT_TRUE(d.request(24, 1000, {}).answered);
    // The running one is still refused a second start.
    EXPECT_NE(d.start(5000), 0);
    EXPECT_EQ(d.pid(), second);

    d.stop();
    EXPECT_EQ(d.pid(), 0);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
    while (waitpid(-1, nullptr, WNOHANG) > 0) {
    }
}

TEST(DriverProc, FailedStartUpStepNeverReleasesMain) {
    struct Case {
        const char* fault;
        const char* message;
    } cases[] = {
        {"UC_MGR_InitiateProcessResources=0",
         "DRIVER_PROC_Init: UC_MGR_InitiateProcessResources fail\n"},
        {"DHCPSNP_PMGR_InitiateProcessResource=0", "\nDriver_PROC_Process_Init fail.\n"},
        {"SYS_PMGR_InitiateProcessResource=0", " SYS_PMGR_InitiateProcessResource fail\n"},
    };
    for (const Case& c : cases) {
        Daemon d({std::string("DRIVER_PROC_PLATFORM_FAULTS=") + c.fault});
        EXPECT_EQ(d.start(1500), -2) << c.fault;
        EXPECT_TRUE(d.wait_console(c.message, 2000)) << c.fault << ": " << d.console();
        EXPECT_TRUE(d.wait_console("\nDriver_PROC_Process_Init fail.\n", 2000));
    }
    // Only a zero from the address manager's object manager stub counts as failure.
    Daemon ok({"DRIVER_PROC_PLATFORM_FAULTS=AMTR_POM_InitiateProcessResource=-1"});
    EXPECT_EQ(ok.start(), 0);
}

TEST(Drvctl, RawPrintsTheAnswerAndUsageErrorsAreRefusedBeforeSending) {
    Daemon d;
    ASSERT_EQ(d.start(), 0);
    std::string out;
    EXPECT_EQ(d.drvctl({"raw", "119", "0x10", "--timeout", "1500"}, &out), 0);
    EXPECT_EQ(out, "size=4 payload=00000010\n");
    EXPECT_EQ(d.drvctl({"--queue", "59", "raw", "1002"}, &out), 0);
    EXPECT_EQ(out, "size=0 payload=\n");
    EXPECT_EQ(d.drvctl({"raw", "555", "--timeout", "200"}, &out), 3);
    EXPECT_EQ(d.drvctl({"raw", "notanumber"}, &out), 2);
    EXPECT_EQ(d.drvctl({"raw", "119", "0x1FFFFFFFF"}, &out), 2);
    EXPECT_EQ(d.drvctl({"frobnicate"}, &out), 2);
    EXPECT_EQ(d.drvctl({"reload", "lukewarm"}, &out), 2);
    EXPECT_EQ(d.drvctl({"log", "DRIVER_PROC"}, &out), 0);
    EXPECT_NE(out.find("DEV_SWDRV_ChipInit"), std::string::npos);
}

}  // namespace
