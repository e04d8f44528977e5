#pragma once

#include <QString>

// Where the start-up download fetches the data file; the host is fixed when the program is built.
QString dataFileUrl();
