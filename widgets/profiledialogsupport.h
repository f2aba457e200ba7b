#ifndef VISTALOOM_PROFILEDIALOGSUPPORT_H
#define VISTALOOM_PROFILEDIALOGSUPPORT_H

class Field;
class QObject;
class QWidget;

// Small steps the profile dialogs share.
namespace ProfileDialogSupport {

// Gives the layout of every group box below root 10-pixel contents margins.
void setGroupBoxMargins(QWidget *root);

// Removes the window's context-help button.
void removeContextHelpButton(QWidget *dialog);

// A field owned by parent; value -1 for anything but a radio button.
Field *makeField(QObject *parent, const char *propertyName, QWidget *widget, int value = -1);

} // namespace ProfileDialogSupport

#endif
