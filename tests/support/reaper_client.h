// When a test process dies (killed, crashed or ended without its destructors), what it
// started must not outlive it: a separate reaper process (test_reaper.cpp), started on first
// use, stops the daemons and removes the shared-memory objects of the instances named here
// that were not released.
#pragma once

namespace testing_support {

// The test process uses instance `id` in-process / starts a daemon in it.
void reap_instance_on_exit(int id);
void reap_daemon_on_exit(int id);
// The test process cleaned the instance up itself.
void release_instance(int id);

}  // namespace testing_support
