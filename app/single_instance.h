#pragma once

#include <QtGlobal>

/// Claims the user's session for this Keyglance for as long as the object lives: an autostarted
/// copy and one started by hand would otherwise both run, fighting over the key and the data
/// file. Released by the system when the process ends, however it ends.
class SessionInstance {
public:
    SessionInstance();
    ~SessionInstance();
    SessionInstance(const SessionInstance &) = delete;
    SessionInstance &operator=(const SessionInstance &) = delete;

    /// False when another Keyglance already runs in this session.
    bool isFirst() const { return first; }

private:
    bool first = true;
    // The lock file's descriptor on Linux, the named mutex on Windows; -1 when there is none.
    qintptr handle = -1;
};
