#include "platform/firmware/fs.h"

#include <sys/stat.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/components/calllog.h"
#include "platform/instance/instance.h"

namespace {

constexpr const char* kDefaultStartupName = "startup.cfg";

// A name is a plain file name in the run directory; anything with a path is refused.
bool path_of(const char* name, std::string* path) {
    if (!name || !*name || std::strchr(name, '/') || std::strlen(name) >= FS_MAX_FILE_NAME_LENGTH)
        return false;
    *path = instance::run_file(name);
    return true;
}

}  // namespace

bool FS_GetStartupFilename(uint32_t unit, char* file_name) {
    calllog::recordf("FS", "FS_GetStartupFilename(%u)", unit);
    if (!file_name) return false;
    const char* env = std::getenv("DRIVER_PROC_STARTUP_FILE");
    const char* name = (env && *env) ? env : kDefaultStartupName;
    std::snprintf(file_name, FS_MAX_FILE_NAME_LENGTH, "%s", name);
    return true;
}

uint32_t FS_GetFileInfo(uint32_t unit, const char* file_name, uint32_t* size) {
    calllog::recordf("FS", "FS_GetFileInfo(%u, %s)", unit, file_name ? file_name : "(null)");
    std::string path;
    if (!size || !path_of(file_name, &path)) return FS_RETURN_ERROR;
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return FS_RETURN_FILE_NOT_FOUND;
    *size = static_cast<uint32_t>(st.st_size);
    return FS_RETURN_OK;
}

uint32_t FS_ReadFile(uint32_t unit, const char* file_name, uint8_t* buf, uint32_t buf_size,
                     uint32_t* read_count) {
    calllog::recordf("FS", "FS_ReadFile(%u, %s, %u)", unit, file_name ? file_name : "(null)",
                     buf_size);
    std::string path;
    if (!buf || !read_count || !path_of(file_name, &path)) return FS_RETURN_ERROR;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return FS_RETURN_FILE_NOT_FOUND;
    *read_count = static_cast<uint32_t>(std::fread(buf, 1, buf_size, f));
    bool failed = std::ferror(f);
    std::fclose(f);
    return failed ? FS_RETURN_ERROR : FS_RETURN_OK;
}

void FS_Shutdown() {
    calllog::record("FS", "FS_Shutdown()");
}
