#ifndef VISTALOOM_IMAGEPROFILEDIALOG_H
#define VISTALOOM_IMAGEPROFILEDIALOG_H

#include <QDialog>
#include <QImage>
#include <QTimer>

#include <memory>

#include "profiles/baseprofile.h"
#include "profiles/field.h"
class ImageProfile;
class QLineEdit;
class QSlider;
class QSpinBox;

namespace Ui {
class ImageProfileDialog;
}

// Edits image profiles; a window that connects to previewRequested gets a
// live preview of the values being edited. It opens beside the window that
// opens it when the screen has room, so that preview stays in sight.
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
    // An image given while the watermark dialog is open reaches its
    // preview too (Batch Mode gives one once it is decoded).
    void setImage(const QImage &snapshot);
    // True while an edit waits out the short delay before the preview
    // refreshes; once false, no refresh is on its way.
    bool isPreviewRefreshPending() const { return updateImageTimer.isActive(); }

signals:
    // The values on screen, for a preview; the profile lives only for the call.
    void previewRequested(ImageProfile *profile);
    void imageChanged();

public slots:
    void profileNameTextChanged(QString name);

protected:
    void showEvent(QShowEvent *event) override;

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
    void placeBesideOpeningWindow();

    std::unique_ptr<Ui::ImageProfileDialog> ui;
    BaseProfile *m_selectedProfile = nullptr;
    int videoWidth = 0;
    int videoHeight = 0;
    QLineEdit *videoWidthDisplay = nullptr;
    QLineEdit *videoHeightDisplay = nullptr;
    QImage snapshotImage;
    QTimer updateImageTimer;
};

#endif
