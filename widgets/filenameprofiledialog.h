#ifndef VISTALOOM_FILENAMEPROFILEDIALOG_H
#define VISTALOOM_FILENAMEPROFILEDIALOG_H

#include <QDialog>
#include <QString>

#include <memory>

#include "profiles/baseprofile.h"
#include "profiles/field.h"

namespace Ui {
class FileNameProfileDialog;
}

// Edits file-name profiles and shows the names they would produce.
class FileNameProfileDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FileNameProfileDialog(QWidget *parent = nullptr);
    ~FileNameProfileDialog() override;

    void selectProfile(BaseProfile *profile);
    // After Save the saved profile, otherwise the one given to selectProfile.
    BaseProfile *selectedProfile() const;
    void setExampleVideoName(const QString &fileName);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

public slots:
    void profileSelected(BaseProfile *profile);
    void profileNameTextChanged(QString name);
    void fieldChanged(Field *field);

private slots:
    void on_resetToDefaultsButton_clicked();
    void on_cancelButton_clicked();
    void on_saveButton_clicked();

private:
    void fillChoices();
    void updateExample();
    void showBaseNamePlaceholder();

    std::unique_ptr<Ui::FileNameProfileDialog> ui;
    BaseProfile *m_selectedProfile = nullptr;
    QString exampleVideoName = QStringLiteral("MyVideo.mpeg");
    QString exampleBaseName;
    // The frame the examples resolve the time tokens for: 1 min 23.456 s.
    static constexpr qint64 ExampleFrameMs = 83456;
    // Its number at 25 frames a second.
    static constexpr qint64 ExampleFrameNumber = 2086;
};

#endif
