#include "update/data_url.h"

QString dataFileUrl()
{
    return QStringLiteral("http://" KEYGLANCE_DATA_HOST "/data/file/data.json");
}
