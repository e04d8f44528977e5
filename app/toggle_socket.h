#pragma once

#include <string>

// Where the running Keyglance listens for the toggle command: the user's runtime folder, else a
// name of the user's own in /tmp. Plain C++, so the command starts without loading Qt.
std::string toggleSocketPath();

// The toggle command's request, and the answer once the popup has been toggled.
inline constexpr char kToggleRequest[] = "toggle\n";
inline constexpr char kToggleDone[] = "done\n";
