// The floor for memory: a QApplication with one hidden widget, nothing else.
#include <QApplication>
#include <QDebug>
#include <QTimer>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget widget;
    QTimer::singleShot(0, [] { qDebug() << "bare Qt ready"; });
    return application.exec();
}
