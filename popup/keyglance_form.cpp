#include "popup/keyglance_form.h"

#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QMetaObject>
#include <QVariant>

namespace {

const char *const kFontFamily = "方正黑体简体";

QFont baseFont()
{
    QFont font;
    font.setFamily(QString::fromUtf8(kFontFamily));
    font.setPointSize(12);
    return font;
}

QFont creditFont()
{
    QFont font = baseFont();
    font.setBold(false);
    font.setWeight(QFont::Normal);
    return font;
}

QFont listFont()
{
    QFont font = creditFont();
    font.setKerning(true);
    return font;
}

void setUpList(QListWidget *list, const QSizePolicy &sizePolicy)
{
    list->setSizePolicy(sizePolicy);
    list->setFont(listFont());
    list->setMouseTracking(false);
    list->setFocusPolicy(Qt::NoFocus);
    list->setContextMenuPolicy(Qt::DefaultContextMenu);
    list->setLayoutDirection(Qt::LeftToRight);
    list->setFrameShape(QFrame::NoFrame);
    list->setFrameShadow(QFrame::Plain);
    list->setLineWidth(0);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setSizeAdjustPolicy(QAbstractScrollArea::AdjustIgnored);
    list->setAutoScroll(true);
    list->setAutoScrollMargin(12);
    list->setProperty("showDropIndicator", QVariant(false));
    list->setMovement(QListView::Free);
}

QListWidget *makeList(QWidget *popup, const char *name, const QRect &geometry)
{
    auto *list = new QListWidget(popup);
    list->setObjectName(QString::fromLatin1(name));
    list->setGeometry(geometry);
    return list;
}

QLabel *makeLabel(QWidget *popup, const char *name, const QRect &geometry, const QFont &font)
{
    auto *label = new QLabel(popup);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setFont(font);
    return label;
}

} // namespace

namespace Ui {

void Keyglance::setupUi(QWidget *Keyglance)
{
    if (Keyglance->objectName().isEmpty())
        Keyglance->setObjectName(QStringLiteral("Keyglance"));
    Keyglance->resize(1200, 800);

    listWidget = makeList(Keyglance, "listWidget", QRect(30, 50, 291, 691));
    // All three lists share the policy derived from the first one.
    QSizePolicy listPolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    listPolicy.setHorizontalStretch(8);
    listPolicy.setVerticalStretch(0);
    listPolicy.setHeightForWidth(listWidget->sizePolicy().hasHeightForWidth());
    setUpList(listWidget, listPolicy);

    const QFont labelFont = baseFont();
    label = makeLabel(Keyglance, "label", QRect(1100, 760, 101, 31), creditFont());
    label->setFocusPolicy(Qt::NoFocus);
    label_2 = makeLabel(Keyglance, "label_2", QRect(1070, 170, 81, 41), labelFont);
    label_3 = makeLabel(Keyglance, "label_3", QRect(980, 730, 111, 41), labelFont);
    label_4 = makeLabel(Keyglance, "label_4", QRect(980, 760, 121, 31), labelFont);
    label_5 = makeLabel(Keyglance, "label_5", QRect(460, 10, 801, 31), labelFont);
    label_5->setLayoutDirection(Qt::LeftToRight);

    listWidget_2 = makeList(Keyglance, "listWidget_2", QRect(350, 50, 291, 691));
    setUpList(listWidget_2, listPolicy);
    listWidget_3 = makeList(Keyglance, "listWidget_3", QRect(670, 50, 321, 691));
    setUpList(listWidget_3, listPolicy);

    retranslateUi(Keyglance);
    QMetaObject::connectSlotsByName(Keyglance);
}

void Keyglance::retranslateUi(QWidget *Keyglance)
{
    Keyglance->setWindowTitle(QCoreApplication::translate("Keyglance", "Keyglance"));
    label->setText(QCoreApplication::translate("Keyglance", "作者:vorlat"));
    label_2->setText(QCoreApplication::translate("Keyglance", "保留区"));
    label_3->setText(QCoreApplication::translate("Keyglance", "@keyglance"));
    label_4->setText(QCoreApplication::translate("Keyglance", "有问题欢迎反馈"));
    label_5->setText(QString());
}

} // namespace Ui
