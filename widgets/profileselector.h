#ifndef VISTALOOM_PROFILESELECTOR_H
#define VISTALOOM_PROFILESELECTOR_H

#include <QList>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>

#include "profiles/baseprofile.h"
#include "profiles/field.h"
class ProfileManager;

namespace Ui {
class ProfileSelector;
}

// Lists the profiles of one kind in an editable combo box that also holds
// the name to save under, and moves values between a profile and the
// dialog's editor widgets through Field records.
class ProfileSelector : public QWidget
{
    Q_OBJECT

public:
    explicit ProfileSelector(QWidget *parent = nullptr);
    ~ProfileSelector() override;

    void setProfileManager(ProfileManager *manager);
    void addProfile(BaseProfile *profile);
    void addField(Field *field);

    QVariant fieldValue(Field *field) const;
    void saveFieldsToProfile(QObject *target);
    void loadFieldsFromProfile(QObject *source);

    void selectProfile(BaseProfile *profile);
    // Stores the edited values under the typed name (matched ignoring case,
    // or a new profile) and writes the manager's file.
    BaseProfile *saveProfile();

signals:
    void profileSelected(BaseProfile *profile);
    void profileNameTextChanged(QString name);
    void fieldChanged(Field *field);

private slots:
    void on_profileComboBox_editTextChanged(const QString &text);
    void on_profileComboBox_currentIndexChanged(int index);

private:
    void watchField(Field *field);
    void reportChange(Field *field);

    std::unique_ptr<Ui::ProfileSelector> ui;
    ProfileManager *profileManager = nullptr;
    QList<BaseProfile *> profiles;
    QList<Field *> fields;
    bool loading = false;
    // The name as last typed by the user; empty once a profile is selected.
    QString typedName;
};

#endif
