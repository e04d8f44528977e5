#include "session/session.h"

// Windows has one kind of session, and Qt one platform for it.
void prepareSession() {}
