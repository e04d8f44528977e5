#pragma once

#include <functional>

class QObject;

/// Listens for the toggle command, calling onToggle on the GUI thread for each request, for as
/// long as parent lives; logs one line when it cannot listen.
void listenForToggleCommand(QObject *parent, std::function<void()> onToggle);
