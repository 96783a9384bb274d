// Pages of the debug menu "dev_swdrv" kept beside the areas they show.
#pragma once

namespace swdrv {

void backdoor_show_status();
void backdoor_show_cable();
void backdoor_show_defaults();
void backdoor_run_cable_test();

}  // namespace swdrv
