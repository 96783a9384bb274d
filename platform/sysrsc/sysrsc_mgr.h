// SYSRSC_MGR: the system's shared-memory segments, by segment id. Each is a real POSIX
// shared-memory object of the instance, so every process that attaches sees the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

// Segment ids and sizes known to the system.
constexpr uint32_t SYSRSC_MGR_SEGID_RESTART = 3;      // restart-control record
constexpr uint32_t SYSRSC_MGR_SEGID_NICDRV = 6;       // CPU packet driver receive state
constexpr uint32_t SYSRSC_MGR_SEGID_TIME_RANGE = 45;  // time range table

// Creates (in the owner) or attaches every known segment. False when one cannot be mapped.
bool SYSRSC_MGR_AttachSystemResources();
// Base of the segment, or nullptr for an unknown id or a segment that cannot be mapped.
void* SYSRSC_MGR_GetShMem(uint32_t segment_id);
// Size of a known segment (0 for an unknown id).
size_t SYSRSC_MGR_GetShMemSize(uint32_t segment_id);
