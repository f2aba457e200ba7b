#ifndef VISTALOOM_NOFOCUSITEMDELEGATE_H
#define VISTALOOM_NOFOCUSITEMDELEGATE_H

#include <QItemDelegate>

// Draws table cells without the focus rectangle.
class NoFocusItemDelegate : public QItemDelegate
{
public:
    explicit NoFocusItemDelegate(QObject *parent = nullptr);

protected:
    void drawFocus(QPainter *painter, const QStyleOptionViewItem &option, const QRect &rect) const override;
};

#endif
