#include "nofocusitemdelegate.h"

NoFocusItemDelegate::NoFocusItemDelegate(QObject *parent)
    : QItemDelegate(parent)
{
}

void NoFocusItemDelegate::drawFocus(QPainter *, const QStyleOptionViewItem &, const QRect &) const
{
}
