// A private instance for an in-process test: its own instance number, control block and
// shared segments, removed when the test ends, so tests never share state.
#pragma once

#include <string>

namespace testing_support {

class TestInstance {
  public:
    TestInstance();
    ~TestInstance();
    TestInstance(const TestInstance&) = delete;
    TestInstance& operator=(const TestInstance&) = delete;
    int id() const { return id_; }

    // An instance number no other running test process uses.
    static int unique_id();

  private:
    int id_;
};

}  // namespace testing_support
