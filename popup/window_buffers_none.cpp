#include "popup/window_buffers.h"

void prepareRepeatedShowing(QWidget *) {}
