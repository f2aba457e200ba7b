#ifndef VISTALOOM_FIELDBINDING_H
#define VISTALOOM_FIELDBINDING_H

#include <QString>
#include <QVariant>

#include <functional>

class Field;
class QObject;

// Holds one Field (an editor widget bound to a property) and moves its
// value in and out of the widget, whatever kind of editor it is, so every
// dialog reads, shows and watches the kinds alike.
class FieldBinding
{
public:
    explicit FieldBinding(const Field *field) : m_field(field) {}

    // The value the widget holds: invalid for labels that hold none (plain
    // labels, unknown widgets); a radio button gives its value when
    // checked, else -1.
    QVariant read() const;
    // Shows value in the widget. A combo box selects the item whose data
    // equals it as text, none when no item does.
    void show(const QVariant &value) const;
    // Shows what several items (the selected batch jobs) hold together:
    // their common value, or, when they differ, marker on a label, marker
    // as a text field's placeholder over no text, a combo box's first item,
    // a half-checked check box, or no radio button checked. A common value
    // a combo box lacks selects its first item too.
    void showShared(const QVariant &value, bool differ, const QString &marker) const;
    // Takes a marker showShared put in a text field away (the user typed).
    void dropMarker() const;
    // Shows no value: text fields empty without a marker, a combo box's
    // first item, an unchecked two-state check box.
    void clear() const;
    // Calls onChange, owned by context, on every change of the widget;
    // colour, font and plain labels report nothing.
    void watch(QObject *context, const std::function<void()> &onChange) const;

private:
    const Field *m_field;
};

#endif
