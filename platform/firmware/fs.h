// FS: the switch's file system. The start-up configuration file lives in the instance's run
// directory (instance::run_file("startup.cfg") unless DRIVER_PROC_STARTUP_FILE names another).
#pragma once

#include <cstdint>

constexpr uint32_t FS_RETURN_OK = 0;
constexpr uint32_t FS_RETURN_FILE_NOT_FOUND = 1;
constexpr uint32_t FS_RETURN_ERROR = 2;
constexpr uint32_t FS_MAX_FILE_NAME_LENGTH = 32;

// The start-up file's name (at most FS_MAX_FILE_NAME_LENGTH characters with its NUL).
bool FS_GetStartupFilename(uint32_t unit, char* file_name);
uint32_t FS_GetFileInfo(uint32_t unit, const char* file_name, uint32_t* size);
// Reads at most buf_size bytes from the start of the file.
uint32_t FS_ReadFile(uint32_t unit, const char* file_name, uint8_t* buf, uint32_t buf_size,
                     uint32_t* read_count);
void FS_Shutdown();
