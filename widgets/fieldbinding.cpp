#include "fieldbinding.h"

#include "colorlabel.h"
#include "elidedlabel.h"
#include "fontlabel.h"

#include "profiles/field.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextEdit>

// Colour and font labels come before QLabel everywhere, so they are never
// taken for plain labels.

QVariant FieldBinding::read() const
{
    QWidget *widget = m_field->widget;
    if (auto *label = dynamic_cast<ColorLabel *>(widget))
        return label->color();
    if (auto *label = dynamic_cast<FontLabel *>(widget))
        return label->font();
    if (qobject_cast<QLabel *>(widget))
        return QVariant();
    if (auto *edit = qobject_cast<QLineEdit *>(widget))
        return edit->text();
    if (auto *edit = qobject_cast<QTextEdit *>(widget))
        return edit->toPlainText();
    if (auto *combo = qobject_cast<QComboBox *>(widget))
        return combo->currentData(Qt::UserRole);
    if (auto *check = qobject_cast<QCheckBox *>(widget))
        return check->checkState() == Qt::Checked;
    if (auto *slider = qobject_cast<QSlider *>(widget))
        return slider->value();
    if (auto *spin = qobject_cast<QSpinBox *>(widget))
        return spin->value();
    if (auto *radio = qobject_cast<QRadioButton *>(widget))
        return radio->isChecked() ? m_field->value : -1;
    return QVariant();
}

void FieldBinding::show(const QVariant &value) const
{
    QWidget *widget = m_field->widget;
    if (auto *colorLabel = dynamic_cast<ColorLabel *>(widget)) {
        colorLabel->setColor(value.value<QColor>());
    } else if (auto *fontLabel = dynamic_cast<FontLabel *>(widget)) {
        fontLabel->setFont(value.value<QFont>());
    } else if (auto *elided = qobject_cast<ElidedLabel *>(widget)) {
        elided->setFullText(value.toString());
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        label->setText(value.toString());
    } else if (auto *lineEdit = qobject_cast<QLineEdit *>(widget)) {
        lineEdit->setText(value.toString());
    } else if (auto *textEdit = qobject_cast<QTextEdit *>(widget)) {
        // Plain text: a watermark such as "<b>" must not be read as markup.
        textEdit->setPlainText(value.toString());
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        const QString wanted = value.toString();
        int match = -1;
        for (int i = 0; i < combo->count() && match < 0; ++i) {
            if (combo->itemData(i, Qt::UserRole).toString() == wanted)
                match = i;
        }
        combo->setCurrentIndex(match);
    } else if (auto *check = qobject_cast<QCheckBox *>(widget)) {
        check->setChecked(value.toBool());
    } else if (auto *slider = qobject_cast<QSlider *>(widget)) {
        slider->setValue(value.toInt());
    } else if (auto *spin = qobject_cast<QSpinBox *>(widget)) {
        spin->setValue(value.toInt());
    } else if (auto *radio = qobject_cast<QRadioButton *>(widget)) {
        radio->setChecked(value.toInt() == m_field->value);
    }
}

void FieldBinding::showShared(const QVariant &value, bool differ, const QString &marker) const
{
    QWidget *widget = m_field->widget;
    if (qobject_cast<QLabel *>(widget)) {
        show(differ ? marker : value);
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        edit->setPlaceholderText(differ ? marker : QString());
        show(differ ? QString() : value);
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        const int index = differ ? 0 : combo->findData(value);
        combo->setCurrentIndex(index < 0 ? 0 : index);
    } else if (auto *check = qobject_cast<QCheckBox *>(widget)) {
        if (differ) {
            check->setTristate(true);
            check->setCheckState(Qt::PartiallyChecked);
        } else {
            show(value);
        }
    } else if (auto *radio = qobject_cast<QRadioButton *>(widget)) {
        // An exclusive radio button cannot be unchecked on its own.
        bool isInt = false;
        const int number = value.toInt(&isInt);
        radio->setAutoExclusive(false);
        radio->setChecked(!differ && isInt && number == m_field->value);
        radio->setAutoExclusive(true);
    }
}

void FieldBinding::dropMarker() const
{
    if (auto *edit = qobject_cast<QLineEdit *>(m_field->widget))
        edit->setPlaceholderText(QString());
}

void FieldBinding::clear() const
{
    QWidget *widget = m_field->widget;
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        edit->clear();
        edit->setPlaceholderText(QString());
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        combo->setCurrentIndex(0);
    } else if (auto *check = qobject_cast<QCheckBox *>(widget)) {
        check->setChecked(false);
        check->setTristate(false);
    }
}

void FieldBinding::watch(QObject *context, const std::function<void()> &onChange) const
{
    QWidget *widget = m_field->widget;
    if (dynamic_cast<ColorLabel *>(widget) || dynamic_cast<FontLabel *>(widget) || qobject_cast<QLabel *>(widget))
        return;
    if (auto *lineEdit = qobject_cast<QLineEdit *>(widget))
        QObject::connect(lineEdit, &QLineEdit::textChanged, context, onChange);
    else if (auto *textEdit = qobject_cast<QTextEdit *>(widget))
        QObject::connect(textEdit, &QTextEdit::textChanged, context, onChange);
    else if (auto *combo = qobject_cast<QComboBox *>(widget))
        QObject::connect(combo, &QComboBox::currentTextChanged, context, onChange);
    else if (auto *check = qobject_cast<QCheckBox *>(widget))
        QObject::connect(check, &QCheckBox::stateChanged, context, onChange);
    else if (auto *slider = qobject_cast<QSlider *>(widget))
        QObject::connect(slider, &QSlider::valueChanged, context, onChange);
    else if (auto *spin = qobject_cast<QSpinBox *>(widget))
        QObject::connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), context, onChange);
    else if (auto *radio = qobject_cast<QRadioButton *>(widget))
        QObject::connect(radio, &QRadioButton::clicked, context, onChange);
}
