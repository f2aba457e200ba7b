#ifndef VISTALOOM_IMAGEPROFILEDIALOG_H
#define VISTALOOM_IMAGEPROFILEDIALOG_H

#include <QDialog>
#include <QImage>
#include <QTimer>

#include "profiles/baseprofile.h"
#include "profiles/field.h"
class QLineEdit;
class QSlider;
class QSpinBox;

namespace Ui {
class ImageProfileDialog;
}

// Edits image profiles; a window that opens it with itself as parent and
// offers processFullFrameImage(ImageProfile*) gets a live preview.
class ImageProfileDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ImageProfileDialog(QWidget *parent = nullptr);
    ~ImageProfileDialog() override;

    void selectProfile(BaseProfile *profile);
    // After Save the saved profile, otherwise the one given to selectProfile.
    BaseProfile *selectedProfile() const;
    void setVideoSize(int width, int height);
    void setImage(const QImage &snapshot);
    // True while an edit waits out the short delay before the preview
    // refreshes; once false, no refresh is on its way.
    bool isPreviewRefreshPending() const { return updateImageTimer.isActive(); }

public slots:
    void profileNameTextChanged(QString name);

protected slots:
    void fieldChanged(Field *field);
    void updateImageTimerFired();

private slots:
    void on_resetToDefaultsButton_clicked();
    void on_cancelButton_clicked();
    void on_saveButton_clicked();
    void on_sameSizeAsVideoCheckbox_toggled(bool checked);
    void on_watermarkProfileEditButton_clicked();

private:
    void loadWatermarkProfiles();
    void linkSliderAndSpinBox(QSlider *slider, QSpinBox *spinBox, int minimum, int maximum);
    void updateVideoSizeDisplays();

    Ui::ImageProfileDialog *ui;
    BaseProfile *m_selectedProfile = nullptr;
    int videoWidth = 0;
    int videoHeight = 0;
    QLineEdit *videoWidthDisplay = nullptr;
    QLineEdit *videoHeightDisplay = nullptr;
    QImage snapshotImage;
    QTimer updateImageTimer;
};

#endif
