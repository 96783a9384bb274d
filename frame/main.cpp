// driver_proc: starts the driver process of the virtual switch and returns once it has
// initialised; the spawned process keeps serving in the background.
#include "frame/driver_proc.h"

int main() {
    return DRIVER_PROC_Main();
}
