#include "profileselector.h"
#include "ui_profileselector.h"

#include "fieldbinding.h"

#include "profiles/baseprofile.h"
#include "profiles/field.h"
#include "profiles/profilemanager.h"

#include <QComboBox>
#include <QDebug>
#include <QLineEdit>
#include <QScopedValueRollback>

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
    FieldBinding(field).watch(this, [this, field] { reportChange(field); });
}

void ProfileSelector::reportChange(Field *field)
{
    if (!loading)
        emit fieldChanged(field);
}

QVariant ProfileSelector::fieldValue(Field *field) const
{
    return FieldBinding(field).read();
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
    const QScopedValueRollback<bool> guard(loading, true);
    for (Field *field : qAsConst(fields))
        FieldBinding(field).show(source->property(field->propertyName));
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
        target = profileManager->addProfile(profileManager->createProfile());
        target->setName(text);
        // Adding the first item makes it current at once; with loading set
        // that selection cannot overwrite the values being saved.
        const QScopedValueRollback<bool> guard(loading, true);
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
