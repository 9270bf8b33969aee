#pragma once

// Registers the program's images (":/images/...") once. The windows and
// dialogs live in a static library shared with the tests, whose embedded
// resources are not registered on their own.
void init_workbench_resources();
