// The one value taken from the start-up configuration file: the address table's hash lookup
// depth, on a "!---HASH_LOOKUP_DEPTH=" line inside the "!---<InitPhaseConfig>" section.
#include <cstring>
#include <memory>
#include <new>

#include "drivers/swdrv/dev_swdrv_internal.h"
#include "platform/firmware/fs.h"

namespace {

constexpr uint32_t kLineMax = 299;  // characters of a line that are read
constexpr uint32_t kFileMax = 16u << 20;
constexpr const char kSectionStart[] = "!---<InitPhaseConfig>";
constexpr const char kSectionEnd[] = "!---</InitPhaseConfig>";
constexpr const char kKey[] = "!---HASH_LOOKUP_DEPTH=";

bool starts(const uint8_t* line, uint32_t len, const char* prefix) {
    const uint32_t n = static_cast<uint32_t>(std::strlen(prefix));
    return len >= n && std::memcmp(line, prefix, n) == 0;
}

bool valid_depth(uint32_t depth) {
    return depth >= 4 && depth <= 32 && depth % 4 == 0;
}

// The depth on a key line: its decimal number when it is a valid depth, else the default.
uint32_t key_value(const uint8_t* line, uint32_t len) {
    uint32_t at = static_cast<uint32_t>(std::strlen(kKey)), value = 0, digits = 0;
    for (; at < len && line[at] >= '0' && line[at] <= '9' && digits < 10; ++at, ++digits)
        value = value * 10 + (line[at] - '0');
    return digits > 0 && valid_depth(value) ? value : DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
}

}  // namespace

uint32_t DEV_SWDRV_ScanHashLookupDepth(const uint8_t* text, uint32_t size) {
    if (!text) return DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
    bool in_section = false;
    for (uint32_t at = 0; at < size;) {
        uint32_t end = at;
        while (end < size && text[end] != '\r' && text[end] != '\n')
            ++end;
        const uint8_t* line = text + at;
        const uint32_t len = std::min(end - at, kLineMax);
        for (uint32_t i = 0; i < len; ++i)
            if (line[i] > 127) return DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
        if (!in_section) {
            in_section = starts(line, len, kSectionStart);
        } else if (starts(line, len, kSectionEnd)) {
            return DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
        } else if (starts(line, len, kKey)) {
            return key_value(line, len);
        }
        at = end + 1;
    }
    return DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
}

uint32_t DEV_SWDRV_ReadHashLookupDepth() {
    char name[FS_MAX_FILE_NAME_LENGTH] = {};
    uint32_t size = 0, got = 0;
    if (!FS_GetStartupFilename(1, name)) {
        SWDRV_STEP_ERR("FS_GetStartupFilename failed");
        return DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
    }
    if (FS_GetFileInfo(1, name, &size) != FS_RETURN_OK) {
        SWDRV_STEP_ERR("FS_GetFileInfo failed: no start-up file");
        return DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
    }
    if (size == 0 || size > kFileMax) {
        SWDRV_STEP_ERR("start-up file empty or too large");
        return DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
    }
    std::unique_ptr<uint8_t[]> buf(new (std::nothrow) uint8_t[size]);
    if (!buf) return DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
    if (FS_ReadFile(1, name, buf.get(), size, &got) != FS_RETURN_OK) {
        SWDRV_STEP_ERR("FS_ReadFile failed");
        return DEV_SWDRV_DEFAULT_HASH_LOOKUP_DEPTH;
    }
    return DEV_SWDRV_ScanHashLookupDepth(buf.get(), std::min(got, size));
}
