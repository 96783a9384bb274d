#include "platform/containers/l_inet.h"

#include <arpa/inet.h>

#include <cstring>

bool L_INET_Ntop(uint32_t family, const void* address, char* text, uint32_t size) {
    if (text == nullptr || size == 0) return false;
    text[0] = '\0';
    if (address == nullptr) return false;
    int af;
    if (family == L_INET_AF_INET) {
        af = AF_INET;
    } else if (family == L_INET_AF_INET6) {
        af = AF_INET6;
    } else {
        return false;
    }
    if (inet_ntop(af, address, text, size) == nullptr) {
        text[0] = '\0';
        return false;
    }
    return true;
}

bool L_INET_Aton(const char* text, L_INET_AddrIp_T* address) {
    if (address == nullptr) return false;
    std::memset(address, 0, sizeof(*address));
    if (text == nullptr) return false;
    bool v6 = std::strchr(text, ':') != nullptr;
    if (inet_pton(v6 ? AF_INET6 : AF_INET, text, address->addr) != 1) {
        std::memset(address, 0, sizeof(*address));
        return false;
    }
    address->type = v6 ? L_INET_AF_INET6 : L_INET_AF_INET;
    address->addrlen = v6 ? 16 : 4;
    return true;
}
