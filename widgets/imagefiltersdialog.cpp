#include "imagefiltersdialog.h"
#include "ui_imagefiltersdialog.h"

ImageFiltersDialog::ImageFiltersDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ImageFiltersDialog>())
{
    ui->setupUi(this);
}

ImageFiltersDialog::~ImageFiltersDialog() = default;

// The controls are placeholders: none of them acts on an image yet.
void ImageFiltersDialog::on_contrastSlider_sliderMoved(int)
{
}

void ImageFiltersDialog::on_brightnessSlider_sliderMoved(int)
{
}

void ImageFiltersDialog::on_sharpenslider_sliderMoved(int)
{
}

void ImageFiltersDialog::on_pushButton_clicked()
{
}

void ImageFiltersDialog::on_gammaSlider_sliderMoved(int)
{
}
