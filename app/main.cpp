#include "app/autostart.h"
#include "popup/keyglance.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Keyglance popup(nullptr);
    popup.initPopup();
    popup.setAttribute(Qt::WA_TransparentForMouseEvents);
    popup.updateDataFile();
    registerAutostart();
    return application.exec();
}
