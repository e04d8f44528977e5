// The reference popup: the least Qt code that shows the same 1200x800 translucent black
// popup with three lists of 20 shortcuts, re-read from ./data.json at every show.
#include "hotkey/qhotkey.h"

#include <QApplication>
#include <QDebug>
#include <QFile>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeySequence>
#include <QListWidget>

#include <array>

namespace {

constexpr int kRowsPerList = 20;

// The first shortcuts of the file, whichever programs they belong to.
QStringList shortcutRows(int count)
{
    QFile file(QStringLiteral("data.json"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject table = QJsonDocument::fromJson(file.readAll()).object();
    QStringList rows;
    for (const QJsonValue &program : table) {
        const QJsonObject groups = program.toObject();
        for (const QJsonValue &group : groups) {
            const QJsonObject shortcuts = group.toObject();
            for (auto it = shortcuts.begin(); it != shortcuts.end(); ++it) {
                rows << it.key() + QStringLiteral("  ") + it.value().toString();
                if (rows.size() == count)
                    return rows;
            }
        }
    }
    return rows;
}

class ReferencePopup : public QWidget {
public:
    ReferencePopup()
        : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    {
        setAttribute(Qt::WA_TranslucentBackground);
        setWindowOpacity(0.9);
        setWindowTitle(QStringLiteral("KeyglanceReference"));
        setStyleSheet(QStringLiteral("QWidget{background-color:black;color:white}"));
        setFixedSize(1200, 800);
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        for (QListWidget *&list : m_lists) {
            list = new QListWidget(this);
            layout->addWidget(list);
        }
    }

    void toggle()
    {
        if (isVisible()) {
            hide();
            return;
        }
        const QStringList rows = shortcutRows(kRowsPerList * int(m_lists.size()));
        for (int index = 0; index < int(m_lists.size()); ++index) {
            m_lists[index]->clear();
            m_lists[index]->addItems(rows.mid(index * kRowsPerList, kRowsPerList));
        }
        show();
    }

private:
    std::array<QListWidget *, 3> m_lists{};
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    ReferencePopup popup;
    QHotkey hotkey(QKeySequence(QStringLiteral("ctrl+space")), true);
    qDebug() << "Is Registered: " << hotkey.isRegistered();
    QObject::connect(&hotkey, &QHotkey::activated, &popup, &ReferencePopup::toggle);
    return application.exec();
}
