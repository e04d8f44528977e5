#include "app/autostart.h"
#include "app/single_instance.h"
#include "app/termination.h"
#include "app/working_folder.h"
#include "popup/keyglance.h"
#include "session/session.h"

#include <QApplication>
#include <QtDebug>

int main(int argc, char *argv[])
{
    // Keyglance draws nothing with OpenGL; without this the X11 platform loads the whole
    // OpenGL stack just to pick a visual for the translucent popup, tripling its memory.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    // The form's sizes are device-independent pixels: on a scaled screen the whole popup grows
    // with its fonts, unrounded (150 % is 1.5), instead of clipping text grown alone. Qt 6 always
    // scales; Qt 5 must be asked.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
#endif
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    prepareSession();
    QApplication application(argc, argv);
    const SessionInstance instance;
    if (!instance.isFirst()) {
        qInfo().noquote() << "Keyglance: another Keyglance already runs in this session; this one "
                             "ends";
        return 0;
    }
    quitOnTerminationRequest();
    leaveSystemFolder();
    Keyglance popup(nullptr);
    popup.initPopup();
    popup.setAttribute(Qt::WA_TransparentForMouseEvents);
    popup.updateDataFile();
    registerAutostart();
    return application.exec();
}
