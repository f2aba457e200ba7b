#ifndef VISTALOOM_WATERMARKPROFILEDIALOG_H
#define VISTALOOM_WATERMARKPROFILEDIALOG_H

#include <QDialog>
#include <QImage>
#include <QTimer>

#include <memory>

#include "profiles/baseprofile.h"
#include "profiles/field.h"
class ImageProfile;
class WatermarkProfile;

namespace Ui {
class WatermarkProfileDialog;
}

// Edits watermark profiles with a preview of the snapshot as the image
// profile would save it, watermark included.
class WatermarkProfileDialog : public QDialog
{
    Q_OBJECT

public:
    explicit WatermarkProfileDialog(QWidget *parent = nullptr);
    ~WatermarkProfileDialog() override;

    // The image profile is not owned; it must outlive the dialog's run. A
    // null image keeps the bundled background picture.
    void setImage(const QImage &image, ImageProfile *imageProfile);
    // A null profile shows the first stored one, or defaults when none is stored.
    void selectProfile(BaseProfile *profile);
    // After Save the saved profile, otherwise the one given to selectProfile.
    BaseProfile *selectedProfile() const;

public slots:
    void profileNameTextChanged(QString name);
    void fieldChanged(Field *field);

protected slots:
    void updateType();
    void profileSelected(BaseProfile *profile);
    void updateWatermarkTimerFired();

private slots:
    void on_cancelButton_clicked();
    void on_saveButton_clicked();
    void on_textFontButton_clicked();
    void on_textColorButton_clicked();
    void on_shadowColorButton_clicked();
    void on_watermarkTypeTextRadioButton_clicked(bool checked);
    void on_watermarkTypeImageRadioButton_clicked(bool checked);
    void on_imageBrowseButton_clicked();
    void on_imageFileNameLineEdit_textChanged(QString arg1);

private:
    void addFields();
    void fillAlignments();
    void enableTypeWidgets(bool isText);

    std::unique_ptr<Ui::WatermarkProfileDialog> ui;
    BaseProfile *m_selectedProfile = nullptr;
    QImage previewImage;
    ImageProfile *previewImageProfile = nullptr;
    std::unique_ptr<ImageProfile> defaultPreviewImageProfile;
    // Shown when no profile is stored; never handed to the manager.
    std::unique_ptr<WatermarkProfile> unsavedDefaultProfile;
    QTimer previewTimer;
};

#endif
