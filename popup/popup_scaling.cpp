#include "popup/popup_scaling.h"

#include "foreground/foreground.h"
#include "popup/popup_fit.h"

#include <QCursor>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVector>
#include <QWidget>
#include <QWindow>
#include <QtGui/private/qhighdpiscaling_p.h>
#include <qpa/qplatformscreen.h>

namespace {

// Scales the rows of a list: a row's own font (a header's; the list's font is scaled with the
// list), and the heights, so that each row starts where the unscaled one would, scaled, instead
// of every row's rounding adding up down the list.
class ScaledRowDelegate : public QStyledItemDelegate {
public:
    ScaledRowDelegate(qreal scale, QListWidget *list) : QStyledItemDelegate(list), scale(scale)
    {
        // Where each row starts, unscaled, is worked out once for all the rows of a layout.
        const QAbstractItemModel *model = list->model();
        const auto forget = [this] { tops.clear(); };
        connect(model, &QAbstractItemModel::rowsInserted, this, forget);
        connect(model, &QAbstractItemModel::rowsRemoved, this, forget);
        connect(model, &QAbstractItemModel::modelReset, this, forget);
        connect(model, &QAbstractItemModel::dataChanged, this, forget);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const QVariant hint = index.data(Qt::SizeHintRole);
        // A row without a size of its own is sized from its font, already scaled.
        if (!hint.isValid())
            return QStyledItemDelegate::sizeHint(option, index);
        const int above = top(index);
        const QSize size = hint.toSize();
        return QSize(qRound(size.width() * scale),
                     qRound((above + size.height()) * scale) - qRound(above * scale));
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(Qt::FontRole).isValid())
            option->font.setPointSizeF(option->font.pointSizeF() * scale);
    }

private:
    int top(const QModelIndex &index) const
    {
        const QAbstractItemModel *model = index.model();
        if (tops.size() != model->rowCount() + 1) {
            tops.resize(model->rowCount() + 1);
            tops[0] = 0;
            for (int row = 0; row < model->rowCount(); ++row)
                tops[row + 1] =
                    tops[row] + model->index(row, 0).data(Qt::SizeHintRole).toSize().height();
        }
        return tops.at(index.row());
    }

    qreal scale;
    mutable QVector<int> tops;
};

QFont scaledFont(QFont font, qreal scale)
{
    font.setPointSizeF(font.pointSizeF() * scale);
    return font;
}

// Both edges rounded, so that neighbours stay as far apart as they were, scaled.
QRect scaledRect(const QRect &rect, qreal scale)
{
    const QPoint topLeft(qRound(rect.left() * scale), qRound(rect.top() * scale));
    const QPoint end(qRound((rect.right() + 1) * scale), qRound((rect.bottom() + 1) * scale));
    return QRect(topLeft, end - QPoint(1, 1));
}

} // namespace

PopupScaler::PopupScaler(QWidget *popup, PopupPlacement placement)
    : popup(popup), placement(placement), baseSize(popup->size())
{
    for (QWidget *child : popup->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        children.push_back({child, child->geometry(), child->font()});
}

void PopupScaler::fitToScreen()
{
    QScreen *screen = screenToShowOn();
    // The compositor puts the overlay on its window's screen; elsewhere the position tells.
    QWindow *window = popup->windowHandle();
    if (placement == PopupPlacement::Compositor && window && window->screen() != screen)
        window->setScreen(screen);
    const QPlatformScreen *platformScreen = screen->handle();
    const qreal globalFactor = QHighDpiScaling::factor(static_cast<QScreen *>(nullptr));
    const PopupFit fit = fitPopup(
        baseSize, {platformScreen->availableGeometry(), platformScreen->geometry().topLeft(),
                   platformScreen->logicalDpi().first / platformScreen->logicalBaseDpi().first,
                   globalFactor});
    // A factor set on a screen replaces the one Qt takes from its DPI, but Qt only looks for one
    // once a factor other than 1 has been set.
    if (!qFuzzyCompare(QHighDpiScaling::factor(screen), globalFactor * fit.screenFactor)) {
        if (qFuzzyCompare(fit.screenFactor, 1.0))
            QHighDpiScaling::setScreenFactor(screen, 2);
        QHighDpiScaling::setScreenFactor(screen, fit.screenFactor);
    }
    if (!qFuzzyCompare(fit.scale, scale))
        scaleForm(fit.scale, fit.size);
    // A window manager puts a window on whichever screen it likes, the cursor's, say.
    placed = placed || placement == PopupPlacement::Keyglance ||
             (placement == PopupPlacement::WindowManager &&
              (fit.scale < 1 || QGuiApplication::screens().size() > 1));
    if (placed && popup->pos() != fit.centred)
        popup->move(fit.centred);
}

QScreen *PopupScaler::screenToShowOn() const
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (screens.size() < 2)
        return popup->screen();
    const ForegroundPlace place = foregroundWindowPlace();
    QVector<QRect> areas;
    for (QScreen *screen : screens) {
        if (!place.screenName.isEmpty() && screen->name() == place.screenName)
            return screen;
        areas.append(screen->handle()->geometry());
    }
    const int holding = screenHoldingMost(areas, place.frame);
    if (holding >= 0)
        return screens.at(holding);
    // A Wayland client knows the cursor only over its own surfaces.
    QScreen *underCursor = placement == PopupPlacement::Compositor
                               ? nullptr
                               : QGuiApplication::screenAt(QCursor::pos());
    return underCursor ? underCursor : popup->screen();
}

void PopupScaler::scaleForm(qreal newScale, const QSize &size)
{
    scale = newScale;
    popup->setFixedSize(size);
    for (const LaidOut &child : children) {
        child.widget->setGeometry(scaledRect(child.geometry, scale));
        child.widget->setFont(scaledFont(child.font, scale));
        if (auto *list = qobject_cast<QListWidget *>(child.widget)) {
            QAbstractItemDelegate *previous = list->itemDelegate();
            list->setItemDelegate(new ScaledRowDelegate(scale, list));
            delete previous;
        }
    }
}
