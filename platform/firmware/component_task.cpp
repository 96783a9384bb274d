#include "platform/firmware/component_task.h"

#include "platform/components/calllog.h"
#include "platform/sysfun/sysfun.h"
#include "platform/watchdog/sw_watchdog_mgr.h"

namespace firmware {
namespace {

void task_body(void* arg) {
    idle_task_loop(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(arg)));
}

}  // namespace

void idle_task_loop(uint32_t monitor_id) {
    for (;;) {
        uint32_t events = 0;
        SYSFUN_ReceiveEvent(0xFFFFFFFF, SYSFUN_EVENT_WAIT_ANY, SYSFUN_TIMEOUT_WAIT_FOREVER,
                            &events);
        if ((events & SW_WATCHDOG_EVENT_PING) && monitor_id != 0)
            SW_WATCHDOG_MGR_ResetTimer(monitor_id);
    }
}

bool start_component_task(const char* component, const char* thread_name, uint32_t priority,
                          uint32_t monitor_id, uint32_t* thread_id) {
    uint32_t tid = 0;
    uint32_t rc = SYSFUN_SpawnThread(priority, 0, thread_name, 20480, 0, task_body,
                                     reinterpret_cast<void*>(uintptr_t{monitor_id}), &tid);
    calllog::recordf(component, "task \"%s\" started (rc=%u, tid=%u)", thread_name, rc, tid);
    if (rc != SYSFUN_OK) return false;
    if (thread_id) *thread_id = tid;
    return true;
}

}  // namespace firmware
