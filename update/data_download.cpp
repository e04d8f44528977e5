#include "popup/keyglance.h"

#include "shortcuts/shortcut_table.h"
#include "update/data_url.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QSaveFile>
#include <cstdio>

namespace {

// A data file is a few hundred KiB at most; anything far larger is not one.
constexpr qint64 kMaxDownloadBytes = 32 * 1024 * 1024;
// How far Qt's network thread reads ahead of the GUI thread taking a reply's data. Unbounded, it
// kept reading while the GUI thread was busy, and a body far over the cap piled up there before
// the cap was seen.
constexpr qint64 kReadAheadBytes = 1024 * 1024;

// Opens the data file for writing without discarding its content; false when that fails.
bool dataFileWritable(QString *error)
{
    QFile file(QString::fromLatin1(kDataFilePath));
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    *error = file.errorString();
    return false;
}

bool isDataFile(const QByteArray &body)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    return error.error == QJsonParseError::NoError && document.isObject();
}

} // namespace

void Keyglance::updateDataFile()
{
    dataUrl = QUrl(dataFileUrl(), QUrl::TolerantMode);
    startDownload(dataUrl);
    if (saveReplyData(nullptr))
        qDebug() << "下载保存成功";
    else
        qDebug() << "下载保存失败";
}

void Keyglance::startDownload(const QUrl &url)
{
    networkManager = new QNetworkAccessManager(this);
    // A redirect is a reply like any other, under Qt 6 (which would follow it) as under Qt 5.
    networkManager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    currentReply = networkManager->get(QNetworkRequest(url));
    currentReply->setReadBufferSize(kReadAheadBytes);
    downloadBodies.insert(currentReply, QByteArray());
    connect(networkManager, SIGNAL(finished(QNetworkReply *)), this,
            SLOT(replyFinished(QNetworkReply *)));
    connect(currentReply, SIGNAL(readyRead()), this, SLOT(saveToDisk()));
}

bool Keyglance::saveToDisk()
{
    return saveReplyData(qobject_cast<QNetworkReply *>(sender()));
}

bool Keyglance::saveReplyData(QNetworkReply *reply)
{
    // Taken whatever the file's state, so the size cap holds: data left in the reply piles up
    // there without bound. Only a reply still in flight is read: a finished one may already be
    // released.
    if (reply && downloadBodies.contains(reply))
        stageReplyData(reply);
    QString error;
    if (!dataFileWritable(&error)) {
        std::fprintf(stderr, "Could not open %s for writing: %s\n", kDataFilePath,
                     error.toLocal8Bit().constData());
        return false;
    }
    return true;
}

void Keyglance::stageReplyData(QNetworkReply *reply)
{
    QByteArray &body = downloadBodies[reply];
    if (body.size() + reply->bytesAvailable() > kMaxDownloadBytes) {
        qDebug() << "data file download exceeds" << kMaxDownloadBytes << "bytes: dropped";
        downloadBodies.remove(reply);
        reply->abort();
        return;
    }
    body += reply->readAll();
}

void Keyglance::replyFinished(QNetworkReply *reply)
{
    // Invoked by name, the finish slots may be handed a null reply.
    if (!reply)
        return;
    if (reply->error() != QNetworkReply::NoError)
        qDebug() << "失败";
    else if (downloadBodies.contains(reply))
        commitDataFile(reply, downloadBodies.value(reply));

    downloadBodies.remove(reply);
    if (reply == currentReply)
        currentReply = nullptr;
    reply->deleteLater();
}

void Keyglance::commitDataFile(QNetworkReply *reply, const QByteArray &body)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status > 299) {
        qDebug() << "data file download answered HTTP" << status << "- ./data.json kept";
        return;
    }
    if (reply->bytesAvailable() > 0) {
        qDebug() << "data file download was not taken whole - ./data.json kept";
        return;
    }
    if (!isDataFile(body)) {
        qDebug() << "downloaded data file is not a JSON object - ./data.json kept";
        return;
    }
    QString error;
    if (!dataFileWritable(&error)) {
        qDebug() << "could not replace ./data.json:" << error;
        return;
    }
    // Written beside the old file and renamed over it, so a load never sees half a file.
    QSaveFile file(QString::fromLatin1(kDataFilePath));
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size() || !file.commit())
        qDebug() << "could not replace ./data.json:" << file.errorString();
}

void Keyglance::downloadFinished(QNetworkReply *reply)
{
    if (!reply)
        return;
    if (reply->error() != QNetworkReply::NoError)
        qDebug() << "下载错误";
    else
        qDebug() << "下载成功";
}
