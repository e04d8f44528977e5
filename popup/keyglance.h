#pragma once

#include "shortcuts/shortcut_columns.h"

#include <QHash>
#include <QJsonObject>
#include <QNetworkReply>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <memory>

class QNetworkAccessManager;
class PopupScaler;

namespace Ui {
class Keyglance;
}

// The one window of the program: a hidden cheat-sheet popup toggled by Ctrl+Space.
class Keyglance : public QWidget {
    Q_OBJECT

public:
    explicit Keyglance(QWidget *parent = nullptr);
    ~Keyglance() override;

    // Makes the window a frameless, translucent tool window, readies it for its first showing,
    // then registers Ctrl+Space and the toggle command.
    void initPopup();
    // Starts the one start-up download of the data file.
    void updateDataFile();
    // Starts one download whose body replaces ./data.json once it arrives whole and valid.
    void startDownload(const QUrl &url);

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void execute();
    void downloadFinished(QNetworkReply *reply);
    void replyFinished(QNetworkReply *reply);
    bool saveToDisk();

private:
    // Pays the one-time costs of the first showing (native window and its surface, layout,
    // styles, fonts, foreground lookup) now, showing and logging nothing, so the first Ctrl+Space
    // is quick.
    void prepareFirstShow();
    void loadShortcutTable();
    QStringList buildShortcutRows();
    std::array<QListWidget *, kColumnCount> shortcutLists() const;
    void fillShortcutLists();
    bool saveReplyData(QNetworkReply *reply);
    void stageReplyData(QNetworkReply *reply);
    void commitDataFile(QNetworkReply *reply, const QByteArray &body);

    Ui::Keyglance *ui;
    QNetworkReply *currentReply = nullptr;
    QUrl dataUrl;
    QNetworkAccessManager *networkManager = nullptr;
    QString programName;
    QJsonObject shortcutTable;
    // Bodies of the downloads in flight; a body replaces ./data.json only once whole and valid.
    QHash<QNetworkReply *, QByteArray> downloadBodies;
    std::unique_ptr<PopupScaler> scaler;
};
