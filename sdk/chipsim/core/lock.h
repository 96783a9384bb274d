// The proof that a device's lock is held. Functions that read or change a device's state
// take a Locked instead of a Device&: only a DeviceLock (core/model.h), which holds the
// device's lock for its lifetime, makes one, so a call without the lock is a compile error.
// A Locked stands for its device wherever a Device& is wanted.
#pragma once

namespace chipsim {

struct Device;
class DeviceLock;

class Locked {
  public:
    Device& operator*() const { return *d_; }
    Device* operator->() const { return d_; }
    operator Device&() const { return *d_; }

  private:
    friend class DeviceLock;
    explicit Locked(Device& d) : d_(&d) {}
    Device* d_;
};

}  // namespace chipsim
