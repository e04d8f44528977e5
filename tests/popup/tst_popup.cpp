#include "../support/font_mask.h"
#include "popup/keyglance.h"
#include "popup/keyglance_form.h"

#include <QLabel>
#include <QListWidget>
#include <QtTest>

namespace {

struct ExpectedWidget {
    const char *name;
    const char *className;
    QRect geometry;
};

const ExpectedWidget kWidgets[] = {
    {"listWidget", "QListWidget", QRect(30, 50, 291, 691)},
    {"label", "QLabel", QRect(1100, 760, 101, 31)},
    {"label_2", "QLabel", QRect(1070, 170, 81, 41)},
    {"label_3", "QLabel", QRect(980, 730, 111, 41)},
    {"label_4", "QLabel", QRect(980, 760, 121, 31)},
    {"label_5", "QLabel", QRect(460, 10, 801, 31)},
    {"listWidget_2", "QListWidget", QRect(350, 50, 291, 691)},
    {"listWidget_3", "QListWidget", QRect(670, 50, 321, 691)},
};

const QString kFamily = QString::fromUtf8("方正黑体简体");

} // namespace

class PopupTest : public QObject {
    Q_OBJECT

private slots:
    void init() { popup = new Keyglance(nullptr); }
    void cleanup() { delete popup; }

    void childrenInCreationOrderWithTheirGeometry()
    {
        const QObjectList children = popup->children();
        QCOMPARE(children.size(), int(std::size(kWidgets)));
        for (int i = 0; i < children.size(); ++i) {
            auto *widget = qobject_cast<QWidget *>(children.at(i));
            QVERIFY(widget);
            QCOMPARE(widget->objectName(), QString::fromLatin1(kWidgets[i].name));
            QCOMPARE(widget->metaObject()->className(), kWidgets[i].className);
            QCOMPARE(widget->geometry(), kWidgets[i].geometry);
            QVERIFY(!widget->isEnabled());
        }
    }

    void fontsSetExactlyTheListedProperties()
    {
        const auto lists = popup->findChildren<QListWidget *>();
        QCOMPARE(lists.size(), 3);
        for (QListWidget *list : lists) {
            const QFont font = list->font();
            QCOMPARE(font.family(), kFamily);
            QCOMPARE(font.pointSize(), 12);
            QCOMPARE(font.weight(), int(QFont::Normal));
            QVERIFY(!font.bold());
            QVERIFY(font.kerning());
            QVERIFY(setFontProperties(font) & QFont::KerningResolved);
        }
        const QFont credit = label("label")->font();
        QCOMPARE(credit.family(), kFamily);
        QCOMPARE(credit.pointSize(), 12);
        QVERIFY(setFontProperties(credit) & QFont::WeightResolved);
        QVERIFY(!(setFontProperties(credit) & QFont::KerningResolved));
        for (const char *name : {"label_2", "label_3", "label_4", "label_5"}) {
            const QFont font = label(name)->font();
            QCOMPARE(font.family(), kFamily);
            QCOMPARE(font.pointSize(), 12);
            QVERIFY(!(setFontProperties(font) & QFont::WeightResolved));
            QVERIFY(!(setFontProperties(font) & QFont::KerningResolved));
        }
    }

    void listProperties()
    {
        QSizePolicy first;
        for (const char *name : {"listWidget", "listWidget_2", "listWidget_3"}) {
            auto *list = popup->findChild<QListWidget *>(QString::fromLatin1(name));
            const QSizePolicy policy = list->sizePolicy();
            QCOMPARE(policy.horizontalPolicy(), QSizePolicy::Expanding);
            QCOMPARE(policy.verticalPolicy(), QSizePolicy::Expanding);
            QCOMPARE(policy.horizontalStretch(), 8);
            QCOMPARE(policy.verticalStretch(), 0);
            QVERIFY(!list->hasMouseTracking());
            QCOMPARE(list->focusPolicy(), Qt::NoFocus);
            QCOMPARE(list->contextMenuPolicy(), Qt::DefaultContextMenu);
            QCOMPARE(list->layoutDirection(), Qt::LeftToRight);
            QCOMPARE(list->frameShape(), QFrame::NoFrame);
            QCOMPARE(list->frameShadow(), QFrame::Plain);
            QCOMPARE(list->lineWidth(), 0);
            QCOMPARE(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            QCOMPARE(list->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
            QCOMPARE(list->sizeAdjustPolicy(), QAbstractScrollArea::AdjustIgnored);
            QVERIFY(list->hasAutoScroll());
            QCOMPARE(list->autoScrollMargin(), 12);
            QVERIFY(!list->showDropIndicator());
            QCOMPARE(list->movement(), QListView::Free);
            QCOMPARE(list->count(), 0);
        }
    }

    void labelPropertiesAndTexts()
    {
        QCOMPARE(label("label")->focusPolicy(), Qt::NoFocus);
        QCOMPARE(label("label_5")->layoutDirection(), Qt::LeftToRight);
        QCOMPARE(label("label")->text(), QString::fromUtf8("作者:vorlat"));
        QCOMPARE(label("label_2")->text(), QString::fromUtf8("保留区"));
        QVERIFY(!label("label_3")->text().isEmpty());
        QCOMPARE(label("label_4")->text(), QString::fromUtf8("有问题欢迎反馈"));
        QCOMPARE(label("label_5")->text(), QString());
        // A window title is never rendered as markup.
        QCOMPARE(label("label_5")->textFormat(), Qt::PlainText);
        for (const char *name : {"label", "label_2", "label_3", "label_4", "label_5"}) {
            QCOMPARE(label(name)->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
            QVERIFY(!label(name)->wordWrap());
            QVERIFY(label(name)->styleSheet().isEmpty());
        }
        QCOMPARE(popup->windowTitle(), QStringLiteral("Keyglance"));
    }

    void objectNameSetOnlyWhenEmpty()
    {
        QCOMPARE(popup->objectName(), QStringLiteral("Keyglance"));
        QWidget named;
        named.setObjectName(QStringLiteral("mine"));
        Ui::Keyglance ui;
        ui.setupUi(&named);
        QCOMPARE(named.objectName(), QStringLiteral("mine"));
        QCOMPARE(named.windowTitle(), QStringLiteral("Keyglance"));
        QCOMPARE(named.size(), QSize(1200, 800));
    }

    void constructedPopupIsHiddenDisabledAndTranslucent()
    {
        QVERIFY(!popup->isVisible());
        QVERIFY(!popup->isEnabled());
        QVERIFY(popup->testAttribute(Qt::WA_TranslucentBackground));
        QCOMPARE(popup->size(), QSize(1200, 800));
        QVERIFY(popup->parentWidget() == nullptr);
    }

    void initPopupSetsUpTheWindow()
    {
        popup->initPopup();
        const Qt::WindowFlags flags = popup->windowFlags();
        QVERIFY(flags.testFlag(Qt::Tool));
        QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
        QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
        // Platforms keep opacity in 1/255 steps.
        QVERIFY(qAbs(popup->windowOpacity() - 0.9) < 0.005);
        QCOMPARE(popup->styleSheet(),
                 QStringLiteral("QWidget{background-color:rgb(0,0,0);border-radius: 7px}"));
        QCOMPARE(popup->minimumSize(), QSize(1200, 800));
        QCOMPARE(popup->maximumSize(), QSize(1200, 800));
        QCOMPARE(popup->focusPolicy(), Qt::NoFocus);
        QVERIFY(!popup->isEnabled());
        QVERIFY(!popup->isVisible());
        // Besides the form: the hotkey and the toggle command's listener.
        QCOMPARE(popup->children().size(), int(std::size(kWidgets)) + 2);
    }

    void metaObject()
    {
        const QMetaObject *meta = popup->metaObject();
        QCOMPARE(meta->className(), "Keyglance");
        QCOMPARE(meta->superClass(), &QWidget::staticMetaObject);
        QCOMPARE(meta->methodCount() - meta->methodOffset(), 4);
        const QByteArray expected[] = {"execute()", "downloadFinished(QNetworkReply*)",
                                       "replyFinished(QNetworkReply*)", "saveToDisk()"};
        for (int i = 0; i < 4; ++i) {
            const QMetaMethod method = meta->method(meta->methodOffset() + i);
            QCOMPARE(method.methodSignature(), expected[i]);
            QCOMPARE(method.methodType(), QMetaMethod::Slot);
            QCOMPARE(method.access(), QMetaMethod::Private);
        }
        QCOMPARE(meta->method(meta->methodOffset() + 3).returnType(), int(QMetaType::Bool));
        QCOMPARE(meta->propertyCount(), meta->propertyOffset());
        QCOMPARE(meta->enumeratorCount(), meta->enumeratorOffset());
        QCOMPARE(meta->classInfoCount(), 0);
        QCOMPARE(meta->constructorCount(), 0);
    }

    void metacast()
    {
        QCOMPARE(popup->qt_metacast("Keyglance"), static_cast<void *>(popup));
        QCOMPARE(popup->qt_metacast("QWidget"), static_cast<void *>(static_cast<QWidget *>(popup)));
        QCOMPARE(popup->qt_metacast(nullptr), nullptr);
        QCOMPARE(popup->qt_metacast("keyglance"), nullptr);
    }

private:
    QLabel *label(const char *name) const
    {
        return popup->findChild<QLabel *>(QString::fromLatin1(name));
    }

    Keyglance *popup = nullptr;
};

QTEST_MAIN(PopupTest)
#include "tst_popup.moc"
