// Runs the popup's command-line download slot on this process's arguments, then prints, in the
// order the downloads were started, the URL each one finished with; exits once all have ended.
#include "popup/keyglance.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QTimer>
#include <QVector>
#include <cstdio>
#include <memory>
#include <utility>

namespace {

struct Progress {
    QVector<QString> finishedUrls;
    int pending = 0;
};

void watch(Keyglance *popup)
{
    const auto managers = popup->findChildren<QNetworkAccessManager *>();
    auto progress = std::make_shared<Progress>();
    progress->finishedUrls.resize(managers.size());
    progress->pending = managers.size();
    for (int i = 0; i < managers.size(); ++i) {
        QObject::connect(managers[i], &QNetworkAccessManager::finished, popup,
                         [progress, i](QNetworkReply *reply) {
                             progress->finishedUrls[i] = reply->url().toString();
                             if (--progress->pending > 0)
                                 return;
                             for (const QString &url : std::as_const(progress->finishedUrls))
                                 std::printf("finished %s\n", qPrintable(url));
                             QCoreApplication::quit();
                         });
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Keyglance popup(nullptr);
    // quit() only reaches a running event loop, so the slot runs from inside it.
    QTimer::singleShot(0, &popup, [&popup] {
        QMetaObject::invokeMethod(&popup, "execute");
        watch(&popup);
    });
    return application.exec();
}
