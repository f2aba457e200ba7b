#include "watermarkprofiledialog.h"
#include "ui_watermarkprofiledialog.h"

#include "profiledialogsupport.h"
#include "smartfiledialog.h"

#include "imaging/imageprocessingmanager.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"
#include "profiles/watermarkprofile.h"

#include <QColorDialog>
#include <QFile>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>
#include <QUuid>

using namespace ProfileDialogSupport;

namespace {

const int PreviewDelayMs = 200;

// A fresh upper-case UUID keeping the picture's complete suffix, so two
// choices of the same file never overwrite each other.
QString newPictureName(const QString &chosenPath)
{
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    const QString suffix = QFileInfo(chosenPath).completeSuffix();
    return suffix.isEmpty() ? uuid : uuid + QLatin1Char('.') + suffix;
}

} // namespace

WatermarkProfileDialog::WatermarkProfileDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::WatermarkProfileDialog>())
{
    ui->setupUi(this);
    setGroupBoxMargins(this);
    removeContextHelpButton(this);

    ProfileSelector *selector = ui->profileSelector;
    connect(selector, &ProfileSelector::profileNameTextChanged, this, &WatermarkProfileDialog::profileNameTextChanged);
    // Save stays off until a profile is shown or a name is typed.
    ui->saveButton->setEnabled(false);
    addFields();
    ui->imageFileNameLineEdit->hide();
    connect(selector, &ProfileSelector::fieldChanged, this, &WatermarkProfileDialog::fieldChanged);
    connect(selector, &ProfileSelector::profileSelected, this, &WatermarkProfileDialog::profileSelected);
    selector->setProfileManager(WatermarkProfile::manager());

    ui->tabWidget->setCurrentIndex(0);
    previewImage = QImage(QStringLiteral(":/Images/watermarkBackground.jpg"));
    defaultPreviewImageProfile = std::make_unique<ImageProfile>();
    previewImageProfile = defaultPreviewImageProfile.get();
    fillAlignments();
    previewTimer.setSingleShot(true);
    connect(&previewTimer, &QTimer::timeout, this, &WatermarkProfileDialog::updateWatermarkTimerFired);
    previewTimer.start(PreviewDelayMs);
}

WatermarkProfileDialog::~WatermarkProfileDialog() = default;

void WatermarkProfileDialog::addFields()
{
    ProfileSelector *selector = ui->profileSelector;
    selector->addField(makeField(this, "text", ui->textTextEdit));
    selector->addField(makeField(this, "textFont", ui->textFontLabel));
    selector->addField(makeField(this, "textColor", ui->textColorLabel));
    selector->addField(makeField(this, "textShadowColor", ui->shadowColorLabel));
    selector->addField(makeField(this, "textShadowXOffset", ui->xOffsetSpinBox));
    selector->addField(makeField(this, "textShadowYOffset", ui->yOffsetSpinBox));
    selector->addField(makeField(this, "alpha", ui->alphaSlider));
    selector->addField(makeField(this, "alignmentIndex", ui->alignmentComboBox));
    selector->addField(makeField(this, "xMargin", ui->xMarginSpinBox));
    selector->addField(makeField(this, "yMargin", ui->yMarginSpinBox));
    selector->addField(makeField(this, "watermarkType", ui->watermarkTypeTextRadioButton, 0));
    selector->addField(makeField(this, "watermarkType", ui->watermarkTypeImageRadioButton, 1));
    selector->addField(makeField(this, "imageFile", ui->imageFileNameLineEdit));
}

void WatermarkProfileDialog::fillAlignments()
{
    static const char *const texts[] = {
        QT_TR_NOOP("Top Left"), QT_TR_NOOP("Top"), QT_TR_NOOP("Top Right"),
        QT_TR_NOOP("Left"), QT_TR_NOOP("Center"), QT_TR_NOOP("Right"),
        QT_TR_NOOP("Bottom Left"), QT_TR_NOOP("Bottom"), QT_TR_NOOP("Bottom Right")};
    int index = 0;
    for (const char *text : texts)
        ui->alignmentComboBox->addItem(tr(text), index++);
}

void WatermarkProfileDialog::setImage(const QImage &image, ImageProfile *imageProfile)
{
    // Without a snapshot (opened from Batch Mode) the background picture stays.
    if (!image.isNull())
        previewImage = image;
    previewImageProfile = imageProfile;
    previewTimer.start(PreviewDelayMs);
}

void WatermarkProfileDialog::selectProfile(BaseProfile *profile)
{
    m_selectedProfile = profile;
    BaseProfile *shown = profile;
    if (!shown) {
        const QList<BaseProfile *> stored = WatermarkProfile::manager()->profiles();
        if (!stored.isEmpty()) {
            shown = stored.first();
        } else {
            unsavedDefaultProfile = std::make_unique<WatermarkProfile>();
            shown = unsavedDefaultProfile.get();
        }
    }
    ui->profileSelector->selectProfile(shown);
    enableTypeWidgets(ui->watermarkTypeTextRadioButton->isChecked());
}

BaseProfile *WatermarkProfileDialog::selectedProfile() const
{
    return m_selectedProfile;
}

void WatermarkProfileDialog::profileNameTextChanged(QString name)
{
    ui->saveButton->setEnabled(!name.isEmpty());
}

void WatermarkProfileDialog::fieldChanged(Field *)
{
    previewTimer.start(PreviewDelayMs);
}

void WatermarkProfileDialog::enableTypeWidgets(bool isText)
{
    ui->textTypeFrame->setEnabled(isText);
    ui->imageTypeFrame->setEnabled(!isText);
    ui->textShadowGroupBox->setVisible(isText);
    ui->textFormatGroupBox->setVisible(isText);
}

void WatermarkProfileDialog::updateType()
{
    const bool isText = ui->watermarkTypeTextRadioButton->isChecked();
    enableTypeWidgets(isText);
    if (!isText && ui->imageFileNameLineEdit->text().isEmpty())
        on_imageBrowseButton_clicked();
}

void WatermarkProfileDialog::profileSelected(BaseProfile *)
{
    updateType();
}

void WatermarkProfileDialog::on_watermarkTypeTextRadioButton_clicked(bool)
{
    updateType();
}

void WatermarkProfileDialog::on_watermarkTypeImageRadioButton_clicked(bool)
{
    updateType();
}

void WatermarkProfileDialog::updateWatermarkTimerFired()
{
    WatermarkProfile watermark;
    ui->profileSelector->saveFieldsToProfile(&watermark);
    const QImage preview = ImageProcessingManager::instance()->processImage(previewImage, previewImageProfile, &watermark);
    ui->watermarkPositioner->setImage(preview);
}

void WatermarkProfileDialog::on_textFontButton_clicked()
{
    bool accepted = false;
    const QFont font = QFontDialog::getFont(&accepted, ui->textFontLabel->font(), this, QString());
    if (accepted)
        ui->textFontLabel->setFont(font);
}

void WatermarkProfileDialog::on_textColorButton_clicked()
{
    const QColor color = QColorDialog::getColor(ui->textColorLabel->color(), this, QString());
    if (color.isValid())
        ui->textColorLabel->setColor(color);
}

void WatermarkProfileDialog::on_shadowColorButton_clicked()
{
    const QColor color = QColorDialog::getColor(ui->shadowColorLabel->color(), this, QString());
    if (color.isValid())
        ui->shadowColorLabel->setColor(color);
}

void WatermarkProfileDialog::on_imageBrowseButton_clicked()
{
    SmartFileDialog dialog(this, QStringLiteral("watermarkImageDialog"));
    dialog.setImageNameFilters();
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString chosenPath = dialog.selectedFiles().value(0);
    if (chosenPath.isEmpty())
        return;
    if (QImage(chosenPath).isNull()) {
        QMessageBox::warning(this, tr("Invalid Image"), tr("Could not open image. Please try another."),
                             QMessageBox::Ok);
        return;
    }
    const QString pictureName = newPictureName(chosenPath);
    // A profile must never name a picture that is not in the watermark folder.
    if (!QFile::copy(chosenPath, WatermarkProfile::watermarkFilePath(pictureName))) {
        QMessageBox::warning(this, tr("Invalid Image"), tr("Could not copy the image into the watermark folder."),
                             QMessageBox::Ok);
        return;
    }
    ui->imageFileNameLineEdit->setText(pictureName);
}

void WatermarkProfileDialog::on_imageFileNameLineEdit_textChanged(QString arg1)
{
    if (arg1.isNull())
        return;
    ui->profileImageView->setImage(WatermarkProfile::readPicture(arg1));
}

void WatermarkProfileDialog::on_saveButton_clicked()
{
    m_selectedProfile = ui->profileSelector->saveProfile();
    accept();
}

void WatermarkProfileDialog::on_cancelButton_clicked()
{
    close();
}
