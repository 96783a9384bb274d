#include "platform/instance/shm.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shm {
namespace {

void* map_fd(int fd, size_t size) {
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    return p == MAP_FAILED ? nullptr : p;
}

}  // namespace

void* create(const std::string& name, size_t size) {
    ::shm_unlink(name.c_str());
    int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        ::close(fd);
        ::shm_unlink(name.c_str());
        return nullptr;
    }
    return map_fd(fd, size);
}

void* attach(const std::string& name, size_t size) {
    int fd = ::shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || static_cast<size_t>(st.st_size) < size) {
        ::close(fd);
        return nullptr;
    }
    return map_fd(fd, size);
}

void* open_or_create(const std::string& name, size_t size) {
    int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return nullptr;
    }
    if (static_cast<size_t>(st.st_size) < size && ::ftruncate(fd, static_cast<off_t>(size)) != 0) {
        ::close(fd);
        return nullptr;
    }
    return map_fd(fd, size);
}

void unmap(void* base, size_t size) {
    if (base) ::munmap(base, size);
}

void remove(const std::string& name) {
    ::shm_unlink(name.c_str());
}

}  // namespace shm
