// DEVRM, the rule manager (policy TCAM), and its request handler (module 126).
#pragma once

bool DEVRM_EngineInitial();
bool DEVRM_PceHWTableInitial();
bool DEVRM_HandleIPCReqMsg(void* msgbuf);
