// Whether every text of a window fits its control, by the metrics of the control's font.
#include "TextFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
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

} // namespace

QStringList CutTexts(QWidget *window)
{
    QStringList cut;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window))
            continue;
        std::optional<QString> fault;
        if (const auto *l = qobject_cast<const QLabel *>(w))
            fault = checkLabel(l);
        else if (const auto *b = qobject_cast<const QAbstractButton *>(w))
            fault = checkButton(b);
        else if (const auto *g = qobject_cast<const QGroupBox *>(w))
            fault = checkGroupBox(g);
        if (fault)
            cut << *fault;
    }
    return cut;
}

} // namespace vesk::shots
