#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>

class QNetworkAccessManager;
class QNetworkReply;

namespace Ui {
class Keyglance;
}

// The one window of the program: a hidden cheat-sheet popup toggled by Ctrl+Space.
class Keyglance : public QWidget {
    Q_OBJECT

public:
    explicit Keyglance(QWidget *parent = nullptr);
    ~Keyglance() override;

    // Makes the window a frameless, translucent tool window and registers Ctrl+Space.
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
    void toggle();
    void loadShortcutTable();
    QStringList buildShortcutRows();
    void fillShortcutLists();

    Ui::Keyglance *ui;
    QNetworkReply *currentReply = nullptr;
    QUrl dataUrl;
    QNetworkAccessManager *networkManager = nullptr;
    QString programName;
    QJsonObject shortcutTable;
};
