#pragma once

/// Windows starts the programs of its Run key in its system folder: a start there works in the
/// executable's folder instead, so ./data.json is the one beside it. Any other start is left as
/// it is.
void leaveSystemFolder();
