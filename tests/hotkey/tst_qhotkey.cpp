#include "../support/x11_client.h"
#include "hotkey/qhotkey.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

Q_DECLARE_METATYPE(KeySyms)

class TestQHotkey : public QObject {
    Q_OBJECT
private slots:
    void activatesOnItsCombination_data();
    void activatesOnItsCombination();
    void ignoresOtherModifiers_data();
    void ignoresOtherModifiers();
    void refusesCombinationHeldByAnotherClient_data();
    void refusesCombinationHeldByAnotherClient();
    void releasesGrab_data();
    void releasesGrab();
    void refusesEmptySequence();

private:
    OtherClient m_other;
};

void TestQHotkey::activatesOnItsCombination_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<KeySyms>("modifiers");
    QTest::addColumn<KeySym>("key");
    QTest::addColumn<KeySym>("lock");
    const KeySyms ctrl{XK_Control_L};
    QTest::newRow("Ctrl+Space") << "Ctrl+Space" << ctrl << KeySym(XK_space) << KeySym(NoSymbol);
    QTest::newRow("NumLock on") << "Ctrl+Space" << ctrl << KeySym(XK_space) << KeySym(XK_Num_Lock);
    QTest::newRow("CapsLock on") << "Ctrl+Space" << ctrl << KeySym(XK_space)
                                 << KeySym(XK_Caps_Lock);
    QTest::newRow("Ctrl+Alt+K") << "Ctrl+Alt+K" << KeySyms{XK_Control_L, XK_Alt_L} << KeySym(XK_k)
                                << KeySym(NoSymbol);
    QTest::newRow("Meta+F5") << "Meta+F5" << KeySyms{XK_Super_L} << KeySym(XK_F5)
                             << KeySym(NoSymbol);
    QTest::newRow("Shift+Delete") << "Shift+Del" << KeySyms{XK_Shift_L} << KeySym(XK_Delete)
                                  << KeySym(NoSymbol);
}

void TestQHotkey::activatesOnItsCombination()
{
    QFETCH(QString, sequence);
    QFETCH(KeySyms, modifiers);
    QFETCH(KeySym, key);
    QFETCH(KeySym, lock);

    QHotkey hotkey(QKeySequence(sequence), true);
    QVERIFY(hotkey.isRegistered());
    QSignalSpy activated(&hotkey, &QHotkey::activated);

    const uint16_t stateBefore = m_other.keyboardState();
    const LockOn lockOn(m_other, lock);
    if (lock != NoSymbol)
        QTRY_VERIFY(m_other.keyboardState() != stateBefore);
    m_other.type(modifiers, key);
    QVERIFY(activated.wait());
    QCOMPARE(activated.count(), 1);
}

void TestQHotkey::ignoresOtherModifiers_data()
{
    QTest::addColumn<KeySyms>("modifiers");
    QTest::newRow("no modifier") << KeySyms{};
    QTest::newRow("Shift") << KeySyms{XK_Shift_L};
    QTest::newRow("Ctrl+Alt") << KeySyms{XK_Control_L, XK_Alt_L};
}

void TestQHotkey::ignoresOtherModifiers()
{
    QFETCH(KeySyms, modifiers);
    QHotkey ctrlSpace(QKeySequence("Ctrl+Space"), true);
    QHotkey marker(QKeySequence("Ctrl+Alt+K"), true);
    QVERIFY(ctrlSpace.isRegistered() && marker.isRegistered());
    QSignalSpy spaceActivated(&ctrlSpace, &QHotkey::activated);
    QSignalSpy markerActivated(&marker, &QHotkey::activated);

    m_other.type(modifiers, XK_space);
    m_other.type({XK_Control_L, XK_Alt_L}, XK_k);
    // Events arrive in order, so once the marker fired the space press has been handled.
    QVERIFY(markerActivated.wait());
    QCOMPARE(spaceActivated.count(), 0);
}

void TestQHotkey::refusesCombinationHeldByAnotherClient_data()
{
    QTest::addColumn<int>("heldVariant");
    QTest::newRow("exact modifiers") << 0;
    QTest::newRow("with NumLock") << 1;
    QTest::newRow("with CapsLock") << 2;
    QTest::newRow("with both locks") << 3;
}

void TestQHotkey::refusesCombinationHeldByAnotherClient()
{
    QFETCH(int, heldVariant);
    const uint16_t held = XCB_MOD_MASK_CONTROL | OtherClient::lockVariants().at(heldVariant);
    QVERIFY(m_other.grab(held, XK_space));

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("could not register Ctrl\\+Space: .*another program"));
    QHotkey hotkey(QKeySequence("Ctrl+Space"), true);
    QVERIFY(!hotkey.isRegistered());

    // Nothing of a half-made registration may stay behind.
    m_other.ungrab(held, XK_space);
    QTRY_VERIFY(m_other.canGrabAllLockVariants(XCB_MOD_MASK_CONTROL, XK_space));
}

void TestQHotkey::releasesGrab_data()
{
    QTest::addColumn<bool>("destroy");
    QTest::newRow("destroyed") << true;
    QTest::newRow("unregistered") << false;
}

void TestQHotkey::releasesGrab()
{
    QFETCH(bool, destroy);
    auto hotkey = std::make_unique<QHotkey>(QKeySequence("Ctrl+Space"), true);
    QVERIFY(hotkey->isRegistered());
    QVERIFY(!m_other.grab(XCB_MOD_MASK_CONTROL, XK_space));

    if (destroy) {
        hotkey.reset();
    } else {
        QVERIFY(hotkey->setRegistered(false));
        QVERIFY(!hotkey->isRegistered());
    }
    QTRY_VERIFY(m_other.canGrabAllLockVariants(XCB_MOD_MASK_CONTROL, XK_space));

    if (!destroy) {
        QVERIFY(hotkey->setRegistered(true));
        QVERIFY(hotkey->isRegistered());
    }
}

void TestQHotkey::refusesEmptySequence()
{
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("empty key sequence"));
    QHotkey hotkey(QKeySequence(), true);
    QVERIFY(!hotkey.isRegistered());
    QCOMPARE(hotkey.shortcut(), QKeySequence());
}

QTEST_MAIN(TestQHotkey)
#include "tst_qhotkey.moc"
