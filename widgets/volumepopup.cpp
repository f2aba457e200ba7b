#include "volumepopup.h"

#include "ui_volumepopup.h"

VolumePopup::VolumePopup(QWidget *parent)
    : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint)
    , ui(new Ui::VolumePopup)
{
    ui->setupUi(this);
    setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    // Settle the size now: the window places the popup by it before showing.
    resize(size().expandedTo(minimumSizeHint()));
    // Loading the stored values must not write them back or reach anyone:
    // nothing is connected yet, and signals stay blocked meanwhile.
    const QSignalBlocker blocker(ui->volumeSlider);
    ui->volumeSlider->setRange(0, 100);
    ui->volumeSlider->setValue(settings.value(QStringLiteral("volume"), 50).toInt());
    ui->muteCheckBox->setChecked(settings.value(QStringLiteral("muted"), false).toBool());
}

VolumePopup::~VolumePopup() = default;

int VolumePopup::volume() const
{
    return ui->muteCheckBox->isChecked() ? 0 : ui->volumeSlider->value();
}

void VolumePopup::on_muteCheckBox_clicked(bool checked)
{
    settings.setValue(QStringLiteral("muted"), checked);
    emit volumeChanged(volume());
}

void VolumePopup::on_volumeSlider_valueChanged(int value)
{
    settings.setValue(QStringLiteral("volume"), value);
    emit volumeChanged(volume());
}
