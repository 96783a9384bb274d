// Set-up of the common library and of the client stubs through which the driver process
// talks to the other processes. Each records the call; faults::answer lets a test make one
// fail.
#include "platform/components/calllog.h"
#include "platform/components/faults.h"
#include "platform/firmware/firmware.h"

namespace {

bool stub(const char* component, const char* name) {
    calllog::recordf(component, "%s()", name);
    return faults::answer(name, 1) != 0;
}

}  // namespace

bool L_CMNLIB_INIT_InitiateProcessResources() {
    return stub("L_CMNLIB", "L_CMNLIB_INIT_InitiateProcessResources");
}
bool L_CMNLIB_INIT_Create_InterCSC_Relation() {
    return stub("L_CMNLIB", "L_CMNLIB_INIT_Create_InterCSC_Relation");
}
bool DEV_SWDRV_PMGR_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "DEV_SWDRV_PMGR_InitiateProcessResource");
}
bool DEV_AMTRDRV_PMGR_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "DEV_AMTRDRV_PMGR_InitiateProcessResource");
}
bool DEV_NMTRDRV_PMGR_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "DEV_NMTRDRV_PMGR_InitiateProcessResource");
}
bool DEV_NICDRV_PMGR_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "DEV_NICDRV_PMGR_InitiateProcessResource");
}
bool DEV_SWDRVL3_PMGR_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "DEV_SWDRVL3_PMGR_InitiateProcessResource");
}
bool DEVRM_PMGR_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "DEVRM_PMGR_InitiateProcessResource");
}
bool XSTP_POM_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "XSTP_POM_InitiateProcessResource");
}
bool SWCTRL_POM_Init() {
    return stub("SWCTRL", "SWCTRL_POM_Init");
}
bool AMTR_PMGR_InitiateProcessResource() {
    return stub("AMTR", "AMTR_PMGR_InitiateProcessResource");
}
int32_t AMTR_POM_InitiateProcessResource() {
    calllog::record("AMTR", "AMTR_POM_InitiateProcessResource()");
    return static_cast<int32_t>(faults::answer("AMTR_POM_InitiateProcessResource", 1));
}
bool SYS_PMGR_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "SYS_PMGR_InitiateProcessResource");
}
void MIB2_PMGR_Init() {
    stub("CLIENT_STUBS", "MIB2_PMGR_Init");
}
bool DHCPSNP_PMGR_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "DHCPSNP_PMGR_InitiateProcessResource");
}
bool SYSLOG_PMGR_InitiateProcessResource() {
    return stub("CLIENT_STUBS", "SYSLOG_PMGR_InitiateProcessResource");
}
