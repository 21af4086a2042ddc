// Whether every text of a window fits its control, by the metrics of the control's font.
#include "TextFit.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTextDocument>

namespace vesk::shots {

namespace {

QString describe(const QWidget *w, const QString &text, const QSize &need, const QRect &room)
{
    return QStringLiteral("%1 %2 \"%3\": needs %4x%5, has %6x%7")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), text)
        .arg(need.width())
        .arg(need.height())
        .arg(room.width())
        .arg(room.height());
}

// The text's size as drawn on one line (an & marks a mnemonic, which takes no room).
QSize lineSize(const QWidget *w, const QString &text)
{
    return QFontMetrics(w->font()).size(Qt::TextShowMnemonic, text);
}

bool fits(const QSize &need, const QRect &room)
{
    return need.width() <= room.width() && need.height() <= room.height();
}

std::optional<QString> checkLabel(const QLabel *l)
{
    if (l->text().isEmpty())
        return std::nullopt;
    const QRect room =
        l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
    if (l->wordWrap() || Qt::mightBeRichText(l->text())) {
        // Wrapped or rich text takes the height its width gives it.
        const int height = l->heightForWidth(l->width());
        if (height <= l->height())
            return std::nullopt;
        return describe(l, l->text(), QSize(l->width(), height), l->rect());
    }
    const QSize need = lineSize(l, l->text());
    if (fits(need, room))
        return std::nullopt;
    return describe(l, l->text(), need, room);
}

std::optional<QString> checkButton(const QAbstractButton *b)
{
    if (b->text().isEmpty())
        return std::nullopt;
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QRadioButton *>(b))
        contents = QStyle::SE_RadioButtonContents;
    else if (qobject_cast<const QCheckBox *>(b))
        contents = QStyle::SE_CheckBoxContents;
    else if (const auto *push = qobject_cast<const QPushButton *>(b); push && push->isFlat())
        opt.features |= QStyleOptionButton::Flat;
    const QRect room = b->style()->subElementRect(contents, &opt, b);
    QSize need = lineSize(b, b->text());
    if (!b->icon().isNull())
        need.rwidth() += b->iconSize().width() + 4;
    if (fits(need, room))
        return std::nullopt;
    return describe(b, b->text(), need, room);
}

std::optional<QString> checkGroupBox(const QGroupBox *g)
{
    if (g->title().isEmpty())
        return std::nullopt;
    QStyleOptionGroupBox opt;
    opt.initFrom(g);
    opt.text = g->title();
    opt.lineWidth = 1;
    opt.midLineWidth = 0;
    opt.textAlignment = g->alignment();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    if (g->isCheckable())
        opt.subControls |= QStyle::SC_GroupBoxCheckBox;
    const QRect label =
        g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
    const QSize need = lineSize(g, g->title());
    if (label.left() >= 0 && label.right() < g->width() && label.width() >= need.width())
        return std::nullopt;
    return describe(g, g->title(), QSize(label.right() + 1, need.height()), g->rect());
}

// A menu's or a menu bar's actions, each in the room its item has (the text before a tab; the
// shortcut after it has a column of its own in a menu).
void checkActions(QWidget *w, TextCheck &check)
{
    const auto *menu = qobject_cast<QMenu *>(w);
    const auto *bar = qobject_cast<QMenuBar *>(w);
    for (QAction *a : w->actions()) {
        if (a->isSeparator() || !a->isVisible() || a->text().isEmpty())
            continue;
        const QString text = a->text().section(u'\t', 0, 0);
        const QRect room = menu ? menu->actionGeometry(a) : bar->actionGeometry(a);
        const QSize need = lineSize(w, text);
        ++check.checked;
        if (need.width() > room.width())
            check.cut << describe(w, text, need, room);
    }
}

std::optional<QString> checkTabs(const QTabBar *t)
{
    const int padding = t->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, t);
    for (int i = 0; i < t->count(); ++i) {
        if (!t->isTabVisible(i) || t->tabText(i).isEmpty())
            continue;
        QSize need = lineSize(t, t->tabText(i));
        if (!t->tabIcon(i).isNull())
            need.rwidth() += t->iconSize().width() + 4;
        const QRect room = t->tabRect(i).adjusted(padding / 2, 0, -padding / 2, 0);
        if (!fits(QSize(need.width(), 0), room))
            return describe(t, t->tabText(i), need, room);
    }
    return std::nullopt;
}

std::optional<QString> checkComboBox(const QComboBox *c)
{
    if (c->currentText().isEmpty())
        return std::nullopt;
    QStyleOptionComboBox opt;
    opt.initFrom(c);
    opt.editable = c->isEditable();
    opt.frame = c->hasFrame();
    opt.currentText = c->currentText();
    opt.subControls = QStyle::SC_All;
    const QRect room =
        c->style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, c);
    QSize need = lineSize(c, c->currentText());
    if (!c->itemIcon(c->currentIndex()).isNull())
        need.rwidth() += c->iconSize().width() + 4;
    if (need.width() <= room.width())
        return std::nullopt;
    return describe(c, c->currentText(), need, room);
}

// A table's or a tree's column headings, each in its section less the style's margins (and the
// sort mark where it shows).
std::optional<QString> checkHeadings(const QHeaderView *h)
{
    if (h->orientation() != Qt::Horizontal || h->model() == nullptr)
        return std::nullopt;
    const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
    const int mark = h->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, h);
    for (int i = 0; i < h->count(); ++i) {
        const QString text = h->model()->headerData(i, Qt::Horizontal).toString();
        if (h->isSectionHidden(i) || h->sectionSize(i) == 0 || text.isEmpty())
            continue;
        const QSize need = lineSize(h, text);
        int width = need.width() + 2 * margin;
        if (h->isSortIndicatorShown() && h->sortIndicatorSection() == i)
            width += mark + margin;
        if (width > h->sectionSize(i))
            return describe(
                h, text, QSize(width, need.height()),
                QRect(h->sectionViewportPosition(i), 0, h->sectionSize(i), h->height()));
    }
    return std::nullopt;
}

} // namespace

TextCheck CheckTexts(QWidget *window)
{
    TextCheck check;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        // A menu is closed while the window is drawn: its items are checked as they would open.
        if (qobject_cast<QMenu *>(w) || (qobject_cast<QMenuBar *>(w) && w->isVisibleTo(window))) {
            checkActions(w, check);
            continue;
        }
        if (!w->isVisibleTo(window))
            continue;
        std::optional<QString> fault;
        if (const auto *l = qobject_cast<const QLabel *>(w))
            fault = checkLabel(l);
        else if (const auto *b = qobject_cast<const QAbstractButton *>(w))
            fault = checkButton(b);
        else if (const auto *g = qobject_cast<const QGroupBox *>(w))
            fault = checkGroupBox(g);
        else if (const auto *t = qobject_cast<const QTabBar *>(w))
            fault = checkTabs(t);
        else if (const auto *c = qobject_cast<const QComboBox *>(w))
            fault = checkComboBox(c);
        else if (const auto *h = qobject_cast<const QHeaderView *>(w))
            fault = checkHeadings(h);
        else
            continue;
        ++check.checked;
        if (fault)
            check.cut << *fault;
    }
    return check;
}

} // namespace vesk::shots
