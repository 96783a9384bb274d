// Happens-before edges that ThreadSanitizer cannot see by itself: it watches only the
// process it runs in, so an object handed from one thread to another of this process through
// a process outside it (a reply box that a requester elsewhere passes from one answer to the
// next) would look unsynchronised. The calls tell it about the hand-over; they are nothing
// in a build without it.
#pragma once

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
#endif

namespace tsan_sync {

inline void acquire([[maybe_unused]] void* addr) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(addr);
#endif
}

inline void release([[maybe_unused]] void* addr) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(addr);
#endif
}

}  // namespace tsan_sync
