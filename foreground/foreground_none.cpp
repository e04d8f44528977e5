#include "foreground/foreground.h"

QString foregroundProgramName()
{
    return {};
}

QString processExeName(quint32)
{
    return {};
}
