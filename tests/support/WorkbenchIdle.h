#pragma once

class Workbench;

// Runs the event loop until the workbench has no job running or waiting (at most
// a minute); true when it is idle.
bool waitIdle(Workbench& workbench);
