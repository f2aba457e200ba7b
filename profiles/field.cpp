#include "field.h"

Field::Field(QObject *parent)
    : QObject(parent)
{
}
