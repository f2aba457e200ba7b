#include "imageprofiledialog.h"
#include "ui_imageprofiledialog.h"

#include "profiledialogsupport.h"
#include "watermarkprofiledialog.h"

#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QLineEdit>
#include <QScreen>
#include <QShowEvent>

#include <memory>

using namespace ProfileDialogSupport;

ImageProfileDialog::ImageProfileDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ImageProfileDialog>())
{
    ui->setupUi(this);
    setGroupBoxMargins(this);
    removeContextHelpButton(this);

    ProfileSelector *selector = ui->profileSelector;
    connect(selector, &ProfileSelector::profileNameTextChanged, this, &ImageProfileDialog::profileNameTextChanged);
    loadWatermarkProfiles();
    linkSliderAndSpinBox(ui->brightnessSlider, ui->brightnessSpinBox, -100, 100);
    linkSliderAndSpinBox(ui->contrastSlider, ui->contrastSpinBox, -100, 100);

    selector->addField(makeField(this, "sameSizeAsVideo", ui->sameSizeAsVideoCheckbox));
    selector->addField(makeField(this, "imageWidth", ui->imageWidthLineEdit));
    selector->addField(makeField(this, "imageHeight", ui->imageHeightLineEdit));
    selector->addField(makeField(this, "cropImage", ui->cropImageCheckbox));
    selector->addField(makeField(this, "watermarkProfileId", ui->watermarkProfileComboBox));
    selector->addField(makeField(this, "imageBrightness", ui->brightnessSlider));
    selector->addField(makeField(this, "imageContrast", ui->contrastSlider));
    selector->addField(makeField(this, "imageQuality", ui->jpegQualitySpinBox));
    selector->setProfileManager(ImageProfile::manager());

    connect(selector, &ProfileSelector::fieldChanged, this, &ImageProfileDialog::fieldChanged);
    updateImageTimer.setSingleShot(true);
    connect(&updateImageTimer, &QTimer::timeout, this, &ImageProfileDialog::updateImageTimerFired);
}

ImageProfileDialog::~ImageProfileDialog() = default;

void ImageProfileDialog::selectProfile(BaseProfile *profile)
{
    m_selectedProfile = profile;
    ui->profileSelector->selectProfile(profile);
}

BaseProfile *ImageProfileDialog::selectedProfile() const
{
    return m_selectedProfile;
}

void ImageProfileDialog::setVideoSize(int width, int height)
{
    videoWidth = width;
    videoHeight = height;
    updateVideoSizeDisplays();
}

void ImageProfileDialog::setImage(const QImage &snapshot)
{
    snapshotImage = snapshot;
    emit imageChanged();
}

void ImageProfileDialog::profileNameTextChanged(QString name)
{
    ui->saveButton->setEnabled(!name.isEmpty());
}

void ImageProfileDialog::fieldChanged(Field *)
{
    // A burst of edits (a dragged slider) gives one refresh.
    updateImageTimer.start(50);
}

void ImageProfileDialog::updateImageTimerFired()
{
    ImageProfile preview;
    ui->profileSelector->saveFieldsToProfile(&preview);
    emit previewRequested(&preview);
}

void ImageProfileDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeBesideOpeningWindow();
}

void ImageProfileDialog::placeBesideOpeningWindow()
{
    QWidget *opener = parentWidget() ? parentWidget()->window() : nullptr;
    if (!opener || !opener->isVisible())
        return;
    QScreen *screen = opener->screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QRect openerFrame = opener->frameGeometry();
    const QRect ownFrame = frameGeometry();
    // Frame and inner geometry differ by the window decorations; move() takes the frame position.
    QPoint topLeft(openerFrame.right() + 1, openerFrame.top());
    if (topLeft.x() + ownFrame.width() - 1 > available.right()) {
        topLeft.setX(openerFrame.left() - ownFrame.width());
        if (topLeft.x() < available.left())
            return;
    }
    // Kept on the screen vertically, as near the window's top as fits.
    const int lowestTop = qMax(available.top(), available.bottom() - ownFrame.height() + 1);
    topLeft.setY(qBound(available.top(), topLeft.y(), lowestTop));
    move(topLeft);
}

void ImageProfileDialog::loadWatermarkProfiles()
{
    QComboBox *combo = ui->watermarkProfileComboBox;
    combo->clear();
    combo->addItem(tr("[No Watermark]"), QString());
    const QList<BaseProfile *> watermarks = WatermarkProfile::manager()->profiles();
    for (BaseProfile *watermark : watermarks)
        combo->addItem(watermark->name(), watermark->id());
}

void ImageProfileDialog::linkSliderAndSpinBox(QSlider *slider, QSpinBox *spinBox, int minimum, int maximum)
{
    slider->setRange(minimum, maximum);
    spinBox->setRange(minimum, maximum);
    connect(slider, &QSlider::valueChanged, spinBox, &QSpinBox::setValue);
    connect(spinBox, QOverload<int>::of(&QSpinBox::valueChanged), slider, &QSlider::setValue);
}

void ImageProfileDialog::updateVideoSizeDisplays()
{
    if (!videoWidthDisplay)
        return;
    const bool known = videoWidth != 0 && videoHeight != 0;
    videoWidthDisplay->setText(known ? QString::number(videoWidth) : QString());
    videoHeightDisplay->setText(known ? QString::number(videoHeight) : QString());
}

void ImageProfileDialog::on_sameSizeAsVideoCheckbox_toggled(bool checked)
{
    if (!videoWidthDisplay) {
        videoWidthDisplay = new QLineEdit(this);
        videoHeightDisplay = new QLineEdit(this);
        for (QLineEdit *display : {videoWidthDisplay, videoHeightDisplay}) {
            display->setReadOnly(true);
            display->setEnabled(false);
            display->hide();
        }
        updateVideoSizeDisplays();
    }
    QLayout *layout = ui->imageSizeGroupBox->layout();
    // The editable edits stay bound while hidden, so their values are still saved.
    const auto swap = [layout](QWidget *from, QWidget *to) {
        // The layout hands back the item that held `from`; it is ours to delete.
        if (QLayoutItem *replaced = layout->replaceWidget(from, to)) {
            delete replaced;
            from->hide();
            to->show();
        }
    };
    if (checked) {
        swap(ui->imageWidthLineEdit, videoWidthDisplay);
        swap(ui->imageHeightLineEdit, videoHeightDisplay);
    } else {
        swap(videoWidthDisplay, ui->imageWidthLineEdit);
        swap(videoHeightDisplay, ui->imageHeightLineEdit);
    }
    ui->cropImageCheckbox->setEnabled(!checked);
}

void ImageProfileDialog::on_watermarkProfileEditButton_clicked()
{
    WatermarkProfileDialog dialog(this);
    ImageProfile previewProfile;
    ui->profileSelector->saveFieldsToProfile(&previewProfile);
    const QString watermarkId = ui->watermarkProfileComboBox->currentData().toString();
    dialog.selectProfile(WatermarkProfile::manager()->profileById(watermarkId));
    dialog.setImage(snapshotImage, &previewProfile);
    connect(this, &ImageProfileDialog::imageChanged, &dialog,
            [this, &dialog, &previewProfile] { dialog.setImage(snapshotImage, &previewProfile); });
    dialog.exec();

    loadWatermarkProfiles();
    if (BaseProfile *chosen = dialog.selectedProfile()) {
        QComboBox *combo = ui->watermarkProfileComboBox;
        for (int i = 0; i < combo->count(); ++i) {
            if (combo->itemData(i).toString() == chosen->id()) {
                combo->setCurrentIndex(i);
                break;
            }
        }
    }
}

void ImageProfileDialog::on_resetToDefaultsButton_clicked()
{
    const std::unique_ptr<BaseProfile> defaults = ImageProfile::manager()->createProfile();
    ui->profileSelector->loadFieldsFromProfile(defaults.get());
}

void ImageProfileDialog::on_cancelButton_clicked()
{
    close();
}

void ImageProfileDialog::on_saveButton_clicked()
{
    m_selectedProfile = ui->profileSelector->saveProfile();
    accept();
}
