#pragma once

/// Ends the event loop, instead of the process at once, when the session or the user asks the
/// program to end, so that what it registered with the session is released on the way out.
void quitOnTerminationRequest();
