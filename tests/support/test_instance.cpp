#include "tests/support/test_instance.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "platform/console/console.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"
#include "tests/support/reaper_client.h"

namespace testing_support {

int TestInstance::unique_id() {
    // Instances 50000 and up are for tests: the process id keeps parallel test processes
    // apart, the counter keeps the tests of one process apart.
    static std::atomic<int> counter{0};
    int n = counter.fetch_add(1);
    return 50000 + static_cast<int>((::getpid() * 16 + n) % 49999);
}

TestInstance::TestInstance() : id_(unique_id()) {
    reap_instance_on_exit(id_);
    instance::set_id(id_);
    instance::remove_shm_objects();
    ctl::create();
    console::set_quiet(std::getenv("TEST_CONSOLE") == nullptr);
}

TestInstance::~TestInstance() {
    ctl::detach(true);
    instance::remove_shm_objects();
    release_instance(id_);
}

}  // namespace testing_support
