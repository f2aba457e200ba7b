#include "profiledialogsupport.h"

#include "profiles/field.h"

#include <QGroupBox>
#include <QLayout>

namespace ProfileDialogSupport {

void setGroupBoxMargins(QWidget *root)
{
    const QList<QGroupBox *> groups = root->findChildren<QGroupBox *>();
    for (QGroupBox *group : groups) {
        if (QLayout *layout = group->layout())
            layout->setContentsMargins(10, 10, 10, 10);
    }
}

void removeContextHelpButton(QWidget *dialog)
{
    dialog->setWindowFlags(dialog->windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

Field *makeField(QObject *parent, const char *propertyName, QWidget *widget, int value)
{
    auto *field = new Field(parent);
    field->propertyName = propertyName;
    field->widget = widget;
    field->value = value;
    return field;
}

} // namespace ProfileDialogSupport
