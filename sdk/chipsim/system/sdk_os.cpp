// The SDK's operating-system layer.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <string>

#include "sdk/chipsim/core/model.h"
#include "sdk/sdk_os.h"

struct SdkOsSem {
    std::string name;
    std::mutex mu;
    std::condition_variable cv;
    bool full = false;
};

using chipsim::fault;

SDK_STATUS sdkOsLayerInit() {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    chipsim::Model& m = chipsim::model();
    std::lock_guard<std::mutex> lock(m.global_mu);
    m.os_up = true;
    return SDK_OK;
}

SDK_STATUS sdkOsSemBinCreate(const char* name, uint32_t init, SDK_OS_SEM* sem) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!sem) return SDK_BAD_PTR;
    if (init != SDK_OS_SEMB_EMPTY && init != SDK_OS_SEMB_FULL) return SDK_BAD_PARAM;
    auto* s = new SdkOsSem;
    s->name = name ? name : "";
    s->full = init == SDK_OS_SEMB_FULL;
    *sem = s;
    return SDK_OK;
}

SDK_STATUS sdkOsSemDelete(SDK_OS_SEM sem) {
    if (!sem) return SDK_BAD_PTR;
    delete sem;
    return SDK_OK;
}

SDK_STATUS sdkOsSemWait(SDK_OS_SEM sem, uint32_t timeout_ms) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!sem) return SDK_BAD_PTR;
    std::unique_lock<std::mutex> lock(sem->mu);
    if (timeout_ms == SDK_OS_WAIT_FOREVER) {
        sem->cv.wait(lock, [&] { return sem->full; });
    } else if (!sem->cv.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                                 [&] { return sem->full; })) {
        return SDK_TIMEOUT;
    }
    sem->full = false;
    return SDK_OK;
}

SDK_STATUS sdkOsSemSignal(SDK_OS_SEM sem) {
    if (SDK_STATUS rc = fault(__func__)) return rc;
    if (!sem) return SDK_BAD_PTR;
    {
        std::lock_guard<std::mutex> lock(sem->mu);
        sem->full = true;
    }
    sem->cv.notify_one();
    return SDK_OK;
}

SDK_STATUS sdkOsTaskGetSelf(uint32_t* task_id) {
    static std::atomic<uint32_t> next{1};
    thread_local uint32_t self = next.fetch_add(1);
    if (!task_id) return SDK_BAD_PTR;
    *task_id = self;
    return SDK_OK;
}
