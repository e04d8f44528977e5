#include "popup/keyglance.h"

#include <QCoreApplication>
#include <cstdio>
#include <utility>

void Keyglance::execute()
{
    QStringList urls = QCoreApplication::arguments();
    urls.removeFirst();
    if (urls.isEmpty()) {
        std::printf("Qt Download example - downloads all URLs in parallel\n"
                    "Usage: download url1 [url2... urlN]\n"
                    "\n"
                    "Downloads the URLs passed in the command-line to the local directory\n"
                    "If the target file already exists, a .0, .1, .2, etc. is appended to\n"
                    "differentiate.\n");
        QCoreApplication::quit();
        return;
    }
    for (const QString &url : std::as_const(urls))
        startDownload(QUrl::fromEncoded(url.toLocal8Bit(), QUrl::TolerantMode));
}
