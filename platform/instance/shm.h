// POSIX shared-memory objects of the instance, mapped read-write.
#pragma once

#include <cstddef>
#include <string>

namespace shm {

// Creates (or truncates to `size`) and maps the object; zero-filled when it is new.
// Returns nullptr on failure.
void* create(const std::string& name, size_t size);
// Maps an existing object; nullptr when it does not exist or is smaller than `size`.
void* attach(const std::string& name, size_t size);
// Maps the object, creating it when it does not exist yet.
void* open_or_create(const std::string& name, size_t size);
void unmap(void* base, size_t size);
void remove(const std::string& name);

}  // namespace shm
