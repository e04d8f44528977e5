#include "app/working_folder.h"

// Sessions start an autostart entry in the folder it names (see autostart_linux.cpp).
void leaveSystemFolder() {}
