#ifndef VISTALOOM_IMAGEFILTERSDIALOG_H
#define VISTALOOM_IMAGEFILTERSDIALOG_H

#include <QDialog>

#include <memory>

namespace Ui {
class ImageFiltersDialog;
}

// A panel of filter sliders for trying layouts; it changes nothing.
class ImageFiltersDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ImageFiltersDialog(QWidget *parent = nullptr);
    ~ImageFiltersDialog() override;

private slots:
    void on_contrastSlider_sliderMoved(int position);
    void on_brightnessSlider_sliderMoved(int position);
    void on_sharpenslider_sliderMoved(int position);
    void on_pushButton_clicked();
    void on_gammaSlider_sliderMoved(int position);

private:
    std::unique_ptr<Ui::ImageFiltersDialog> ui;
};

#endif
