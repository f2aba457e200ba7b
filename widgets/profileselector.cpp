#include "profileselector.h"
#include "ui_profileselector.h"

#include "colorlabel.h"
#include "fontlabel.h"

#include "profiles/baseprofile.h"
#include "profiles/field.h"
#include "profiles/profilemanager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTextEdit>

namespace {

// Restores a flag on every way out, so an early return cannot leave the
// selector deaf to edits.
class FlagGuard
{
public:
    explicit FlagGuard(bool &flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~FlagGuard() { m_flag = m_old; }

private:
    bool &m_flag;
    bool m_old;
};

} // namespace

ProfileSelector::ProfileSelector(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::ProfileSelector>())
{
    ui->setupUi(this);
    QLineEdit *nameEdit = ui->profileComboBox->lineEdit();
    nameEdit->setPlaceholderText(tr("[Type to Name Profile]"));
    connect(nameEdit, &QLineEdit::textEdited, this, [this](const QString &text) { typedName = text; });
}

ProfileSelector::~ProfileSelector() = default;

void ProfileSelector::setProfileManager(ProfileManager *manager)
{
    profileManager = manager;
    const QList<BaseProfile *> managed = manager->profiles();
    for (BaseProfile *profile : managed)
        addProfile(profile);
}

void ProfileSelector::addProfile(BaseProfile *profile)
{
    profiles.append(profile);
    ui->profileComboBox->addItem(profile->name());
}

void ProfileSelector::addField(Field *field)
{
    fields.append(field);
    watchField(field);
}

void ProfileSelector::watchField(Field *field)
{
    QWidget *widget = field->widget;
    const auto report = [this, field] { reportChange(field); };
    // Colour, font and plain labels report nothing; they come first so a
    // ColorLabel or FontLabel is never taken for a QLabel.
    if (dynamic_cast<ColorLabel *>(widget) || dynamic_cast<FontLabel *>(widget) || qobject_cast<QLabel *>(widget))
        return;
    if (auto *lineEdit = qobject_cast<QLineEdit *>(widget))
        connect(lineEdit, &QLineEdit::textChanged, this, report);
    else if (auto *textEdit = qobject_cast<QTextEdit *>(widget))
        connect(textEdit, &QTextEdit::textChanged, this, report);
    else if (auto *combo = qobject_cast<QComboBox *>(widget))
        connect(combo, &QComboBox::currentTextChanged, this, report);
    else if (auto *check = qobject_cast<QCheckBox *>(widget))
        connect(check, &QCheckBox::stateChanged, this, report);
    else if (auto *slider = qobject_cast<QSlider *>(widget))
        connect(slider, &QSlider::valueChanged, this, report);
    else if (auto *spin = qobject_cast<QSpinBox *>(widget))
        connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), this, report);
    else if (auto *radio = qobject_cast<QRadioButton *>(widget))
        connect(radio, &QRadioButton::clicked, this, report);
}

void ProfileSelector::reportChange(Field *field)
{
    if (!loading)
        emit fieldChanged(field);
}

QVariant ProfileSelector::fieldValue(Field *field) const
{
    QWidget *widget = field->widget;
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
        return radio->isChecked() ? field->value : -1;
    return QVariant();
}

void ProfileSelector::saveFieldsToProfile(QObject *target)
{
    for (Field *field : qAsConst(fields)) {
        const QVariant value = fieldValue(field);
        // Only the checked button of a radio group speaks for its property.
        if (field->value != -1 && value.toInt() == -1)
            continue;
        target->setProperty(field->propertyName, value);
    }
}

void ProfileSelector::loadFieldsFromProfile(QObject *source)
{
    FlagGuard guard(loading);
    for (Field *field : qAsConst(fields))
        showFieldValue(field, source->property(field->propertyName));
}

void ProfileSelector::showFieldValue(Field *field, const QVariant &value)
{
    QWidget *widget = field->widget;
    if (auto *colorLabel = dynamic_cast<ColorLabel *>(widget)) {
        colorLabel->setColor(value.value<QColor>());
    } else if (auto *fontLabel = dynamic_cast<FontLabel *>(widget)) {
        fontLabel->setFont(value.value<QFont>());
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
        radio->setChecked(value.toInt() == field->value);
    }
}

void ProfileSelector::selectProfile(BaseProfile *profile)
{
    typedName.clear();
    ui->profileComboBox->setCurrentIndex(profiles.indexOf(profile));
    // Without a profile there is nothing to show; the widgets keep what they hold.
    if (profile)
        loadFieldsFromProfile(profile);
}

BaseProfile *ProfileSelector::saveProfile()
{
    QComboBox *combo = ui->profileComboBox;
    const QString text = combo->currentText();
    BaseProfile *target = nullptr;
    if (!text.isEmpty()) {
        for (int i = 0; i < combo->count() && !target; ++i) {
            if (combo->itemText(i).compare(text, Qt::CaseInsensitive) == 0)
                target = profiles.value(i);
        }
    }
    if (!target) {
        target = profileManager->createProfile();
        target->setName(text);
        profileManager->addProfile(target);
        // Adding the first item makes it current at once; with loading set
        // that selection cannot overwrite the values being saved.
        FlagGuard guard(loading);
        addProfile(target);
        combo->setCurrentIndex(combo->count() - 1);
    }
    saveFieldsToProfile(target);
    profileManager->save();
    return target;
}

void ProfileSelector::on_profileComboBox_editTextChanged(const QString &text)
{
    if (!loading)
        emit profileNameTextChanged(text);
}

void ProfileSelector::on_profileComboBox_currentIndexChanged(int index)
{
    if (loading)
        return;
    if (ui->profileComboBox->currentText().isEmpty()) {
        qDebug() << "Name.length was 0. Show an error or don't let the user press the button here.";
        return;
    }
    if (index < 0)
        return;
    BaseProfile *profile = profiles.value(index);
    if (!profile)
        return;
    // Ending the edit of a typed name (Enter, or the focus leaving, as when
    // Save is clicked) makes the combo box select the stored profile of that
    // name; that name is where the values on screen are to be saved, so they
    // must not be replaced by the stored ones.
    if (!typedName.isEmpty() && typedName.compare(profile->name(), Qt::CaseInsensitive) == 0)
        return;
    ui->profileComboBox->setCurrentIndex(profiles.indexOf(profile));
    loadFieldsFromProfile(profile);
    emit profileSelected(profile);
}
