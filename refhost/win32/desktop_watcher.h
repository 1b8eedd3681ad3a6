// Watches the thread's message boxes, popup menus and modal dialogs as they open, logs
// them and answers them as the script asked (see DesktopWatch), so a scenario never
// waits on a window nobody will close.
#pragma once

// Counted: the first install on a thread hooks it, the last remove unhooks it.
void InstallDesktopWatcher();
void RemoveDesktopWatcher();
