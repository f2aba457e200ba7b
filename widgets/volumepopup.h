#ifndef VISTALOOM_VOLUMEPOPUP_H
#define VISTALOOM_VOLUMEPOPUP_H

#include <QFrame>
#include <QSettings>

#include <memory>

namespace Ui {
class VolumePopup;
}

// The small popup above the volume button: a volume slider and a mute
// box, both remembered in the settings store.
class VolumePopup : public QFrame
{
    Q_OBJECT

public:
    explicit VolumePopup(QWidget *parent);
    ~VolumePopup() override;

    // 0 while muted, else the slider's 0..100.
    int volume() const;

signals:
    void volumeChanged(int volume);

private slots:
    void on_muteCheckBox_clicked(bool checked);
    void on_volumeSlider_valueChanged(int value);

private:
    std::unique_ptr<Ui::VolumePopup> ui;
    QSettings settings;
};

#endif
