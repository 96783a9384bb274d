// Waiting by watching, for every spinning waiter of the program (the platform's semaphores,
// queues and events, the chip model's locks and its event task): the pause instruction a
// watching loop runs between looks, and whether watching makes sense at all (with one
// processor the awaited thread cannot run meanwhile).
#pragma once

#include <unistd.h>

namespace sysfun {

inline void cpu_pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

inline bool several_cpus() {
    static const bool several = sysconf(_SC_NPROCESSORS_ONLN) > 1;
    return several;
}

}  // namespace sysfun
