#include "app/termination.h"

// Windows releases a hotkey with the process that registered it.
void quitOnTerminationRequest() {}
