#include "app/single_instance.h"

#include <windows.h>

// A named mutex in the session's own namespace: another user's session has its own Keyglance.
SessionInstance::SessionInstance()
{
    const HANDLE mutex = CreateMutexW(nullptr, FALSE, L"Local\\keyglance-session");
    first = !mutex || GetLastError() != ERROR_ALREADY_EXISTS;
    if (mutex)
        handle = reinterpret_cast<qintptr>(mutex);
}

SessionInstance::~SessionInstance()
{
    if (handle != -1)
        CloseHandle(reinterpret_cast<HANDLE>(handle));
}
