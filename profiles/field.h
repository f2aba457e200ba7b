#ifndef VISTALOOM_FIELD_H
#define VISTALOOM_FIELD_H

#include <QObject>

class QWidget;

// Binds one editor widget to one profile (or batch job) property by name.
// A radio button carries the property value it stands for; anything else -1.
class Field : public QObject
{
public:
    explicit Field(QObject *parent);

    const char *propertyName = nullptr;
    QWidget *widget = nullptr;
    int value = -1;
};

#endif
