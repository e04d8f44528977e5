#include "app/autostart.h"
#include "popup/keyglance.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Keyglance draws nothing with OpenGL; without this the X11 platform loads the whole
    // OpenGL stack just to pick a visual for the translucent popup, tripling its memory.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication application(argc, argv);
    Keyglance popup(nullptr);
    popup.initPopup();
    popup.setAttribute(Qt::WA_TransparentForMouseEvents);
    popup.updateDataFile();
    popup.prepareFirstShow();
    registerAutostart();
    return application.exec();
}
