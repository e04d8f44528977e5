#include "hotkey/gnome_accelerator.h"

#include <QtTest>

namespace {

// Ctrl+space, as Keyglance binds it: the X11 Control bit and XK_space.
constexpr quint16 kControl = 4;
constexpr quint32 kSpace = 0x20;

} // namespace

class TestGnomeAccelerator : public QObject {
    Q_OBJECT
private slots:
    void writesWhatGnomeReads()
    {
        QCOMPARE(gnomeAccelerator(kControl, kSpace), QStringLiteral("<Control>space"));
        QCOMPARE(gnomeAccelerator(1 | 8 | 64, 0x6b), QStringLiteral("<Shift><Alt><Super>k"));
    }

    void findsTheCombination_data()
    {
        QTest::addColumn<QString>("accelerator");
        QTest::addColumn<bool>("binds");
        QTest::newRow("as written") << "<Control>space" << true;
        QTest::newRow("GNOME's other names") << "<Primary>Space" << true;
        QTest::newRow("lower case") << "<ctrl>space" << true;
        QTest::newRow("more modifiers") << "<Control><Shift>space" << false;
        QTest::newRow("another modifier") << "<Super>space" << false;
        QTest::newRow("a modifier never bound") << "<Hyper><Control>space" << false;
        QTest::newRow("no modifier") << "space" << false;
        QTest::newRow("another key") << "<Control>Return" << false;
        QTest::newRow("disabled") << "disabled" << false;
        QTest::newRow("empty") << "" << false;
    }
    void findsTheCombination()
    {
        QFETCH(QString, accelerator);
        QFETCH(bool, binds);
        QCOMPARE(gnomeAcceleratorBinds(accelerator, kControl, kSpace), binds);
    }
};

QTEST_GUILESS_MAIN(TestGnomeAccelerator)
#include "tst_gnome_accelerator.moc"
