#include "tests/support/test_instance.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "platform/console/console.h"
#include "platform/instance/ctl.h"
#include "platform/instance/instance.h"

namespace testing_support {

int TestInstance::unique_id() {
    // Instances 50000 and up are for tests: the process id keeps parallel test processes
    // apart, the counter keeps the tests of one process apart.
    static std::atomic<int> counter{0};
    int n = counter.fetch_add(1);
    return 50000 + static_cast<int>((::getpid() * 16 + n) % 49999);
}

TestInstance::TestInstance() : id_(unique_id()) {
    instance::set_id(id_);
    instance::remove_shm_objects();
    ctl::create();
    console::set_quiet(std::getenv("TEST_CONSOLE") == nullptr);
}

TestInstance::~TestInstance() {
    ctl::detach(true);
    instance::remove_shm_objects();
}

}  // namespace testing_support
