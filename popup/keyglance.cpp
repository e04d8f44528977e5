#include "popup/keyglance.h"

#include "app/toggle_listener.h"
#include "foreground/foreground.h"
#include "hotkey/qhotkey.h"
#include "popup/keyglance_form.h"
#include "popup/popup_scaling.h"
#include "popup/popup_surface.h"
#include "shortcuts/shortcut_columns.h"
#include "shortcuts/shortcut_table.h"

#include <QCoreApplication>
#include <QDebug>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <memory>

namespace {

// The lists are disabled, so they look the same whether the popup is the active window or not;
// left alone, each list repaints itself whenever a window manager focuses the popup.
class ActivationFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        return event->type() == QEvent::WindowActivate || event->type() == QEvent::WindowDeactivate;
    }
};

// Bounds what a large data file adds to start-up and to the glyph cache.
constexpr int kMostRowsDrawnAhead = 4096;

// Draws each row once in the font, starting at a whole pixel as the lists do.
void drawEachOnce(QImage *image, const QFont &font, const QStringList &rows)
{
    QPainter painter(image);
    painter.setFont(font);
    for (const QString &row : rows.mid(0, kMostRowsDrawnAhead))
        painter.drawText(QPoint(0, image->height() / 2), row);
}

} // namespace

Keyglance::Keyglance(QWidget *parent) : QWidget(parent), ui(new Ui::Keyglance)
{
    setEnabled(false);
    setAttribute(Qt::WA_TranslucentBackground);
    ui->setupUi(this);
    // The program line carries a window title, which any program controls: never markup.
    ui->label_5->setTextFormat(Qt::PlainText);
    for (QListWidget *list : shortcutLists())
        list->viewport()->installEventFilter(new ActivationFilter(list->viewport()));
    scaler = std::make_unique<PopupScaler>(this, popupPlacement());
}

Keyglance::~Keyglance()
{
    delete ui;
}

void Keyglance::initPopup()
{
    setWindowOpacity(0.9);
    // Transparent for input in the window system too, not just in Qt: a click where the popup
    // stands goes to the window beneath, which keeps the focus.
    setWindowFlags(windowFlags() | Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus);
    setStyleSheet(QStringLiteral("QWidget{background-color:rgb(0,0,0);border-radius: 7px}"));
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(1200, 800);
    // Before anything can press: a press while the preparation waits on the compositor (KWin, say)
    // would show a window whose surface is not yet the popup's.
    prepareFirstShow();

    auto *hotkey = new QHotkey(QKeySequence(QStringLiteral("ctrl+space"), QKeySequence::NativeText),
                               true, this);
    qDebug() << "Is Registered: " << hotkey->isRegistered();

    // The toggle command runs the very handler of the hotkey, sharing what it last did.
    const auto onActivated = [this, shown = std::make_shared<bool>(false)] {
        qDebug() << "快捷键被成功按下已被识别";
        programName = foregroundProgramName();
        ui->label_5->setText(QString::fromUtf8("前台程序名称:  ") + programName);
        if (*shown) {
            setVisible(false);
            settlePopupSurface(this);
            *shown = false;
            qDebug() << "设置不可见";
        } else {
            scaler->fitToScreen();
            setVisible(true);
            // Showing posts a repaint for each child: taken now, they join the window's first
            // paint rather than following it as a second one when the expose comes first.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateLater);
            *shown = true;
            qDebug() << "设置可见";
            fillShortcutLists();
        }
    };
    connect(hotkey, &QHotkey::activated, this, onActivated);
    listenForToggleCommand(this, onActivated);
}

void Keyglance::prepareFirstShow()
{
    // The screen's factor before the native window is made, which the first show then finds set.
    scaler->fitToScreen();
    // Its first call interns atoms and queries extensions, a round trip each.
    foregroundProgramName();
    // A header and a row in Chinese, so the fallback fonts the lists draw with are loaded.
    const std::array<QListWidget *, kColumnCount> lists = shortcutLists();
    fillShortcutColumns(lists, {headerRow(QString::fromUtf8("编辑")),
                                shortcutRow(QStringLiteral("Ctrl+C"), QString::fromUtf8("复制"))});
    // The native window and the buffers behind it now, and one drawing into an image to lay the
    // popup out and load its styles and fonts.
    create();
    preparePopupSurface(this);
    settlePopupSurface(this);
    QImage image(size(), QImage::Format_ARGB32_Premultiplied);
    render(&image);
    for (QListWidget *list : lists)
        list->clear();
    // A glyph is rasterized the first time it is drawn at a given fraction of a pixel, which made
    // up a good part of the first show: every row the lists can show for the data file is drawn
    // once now, so its glyphs are ready at the very offsets the row puts them, whichever program
    // turns out to be in front. Read quietly: the first show reports a missing file.
    bool opened = false;
    bool parsed = false;
    const DrawnRows rows =
        drawnRows(readShortcutFile(QString::fromLatin1(kDataFilePath), &opened, &parsed));
    drawEachOnce(&image, headerFont(), rows.headers);
    drawEachOnce(&image, lists.front()->font(), rows.rows);
}

void Keyglance::paintEvent(QPaintEvent *)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
