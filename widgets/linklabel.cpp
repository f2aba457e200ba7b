#include "linklabel.h"

#include <QLabel>

void setLinkLabel(QLabel *label, QString url, QString text)
{
    if (text.isNull())
        text = url;
    label->setText(QStringLiteral("<a href=\"") + url + QStringLiteral("\">") + text + QStringLiteral("</a>"));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse
                                   | Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(true);
    label->setFocusPolicy(Qt::NoFocus);
}
