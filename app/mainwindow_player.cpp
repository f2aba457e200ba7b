// The player half of the main window: opening a video, play and pause,
// stepping, skipping, the position slider, the readouts and the volume.
#include "mainwindow.h"

#include "mpvplayer.h"
#include "smartfiledialog.h"
#include "ui_mainwindow.h"
#include "volumepopup.h"

#include "media/frameindex.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QProxyStyle>
#include <QTime>
#include <QtDebug>

namespace {

// A left click on a slider's track puts the handle right there, as players
// do, instead of paging towards the click a step at a time.
class JumpToClickStyle : public QProxyStyle
{
public:
    explicit JumpToClickStyle(QObject *parent) { setParent(parent); }

    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_Slider_AbsoluteSetButtons)
            return Qt::LeftButton | Qt::MiddleButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

QString MainWindow::formatTime(qint64 ms)
{
    return QTime(0, 0).addMSecs(static_cast<int>(ms)).toString(QStringLiteral("hh:mm:ss.zzz"));
}

int MainWindow::effectiveSliderUnit() const
{
    return sliderUnit >= 1 ? sliderUnit : 1000;
}

void MainWindow::on_actionOpen_triggered()
{
    showSelectVideoDialog();
}

void MainWindow::showSelectVideoDialog()
{
    if (!player)
        return;
    player->pause(true);
    QString chosen;
    {
        // Made per use and gone before the video opens: a dialog kept alive
        // keeps its name completion list mapped, and that list would take
        // the keys meant for the window.
        SmartFileDialog dialog(this, QStringLiteral("openDialog"));
        dialog.setVideoNameFilters();
        if (dialog.exec() == QDialog::Accepted)
            chosen = dialog.selectedFiles().value(0);
    }
    retakeFocusAfterDialog();
    if (!chosen.isEmpty())
        loadVideo(chosen);
}

void MainWindow::loadVideo(QString path)
{
    if (!player)
        return;
    closeVideo();
    videoPath = path;
    snapshotFrameIndex.reset();
    player->play(path);
    player->setVolume(volumePopup->volume() / 100.0);

    // Propose the new video's name, keeping the extension last saved with.
    const QString suffix = QFileInfo(lastSaveFileName).suffix();
    const QFileInfo videoFile(player->file());
    lastSaveFileName = videoFile.completeBaseName();
    if (!suffix.isEmpty())
        lastSaveFileName += QStringLiteral(".") + suffix;
    // The save folder follows the video's folder until the user saves elsewhere.
    if (!lastSaveDir.exists() || lastSaveDir == videoDir) {
        videoDir = videoFile.absoluteDir();
        setLastSaveDir(videoDir);
    }
    ui->outputFolderLineEdit->setText(QDir::toNativeSeparators(lastSaveDir.absolutePath()));

    if (videoOutput)
        videoOutput->raise();
    setVideoControlsEnabled(true);
    fileCounter = 1;
    updateAutomaticFileNameDisplay();
    updateWindowTitle();
    updatePlayButton();
    sliderUnit = player->notifyInterval();
    qDebug().nospace() << "updateSliderUnit: " << sliderUnit;
    updateSlider(player->displayPosition());
}

void MainWindow::videoLoadFailed(const QString &path)
{
    reportOpenError(path, tr("Cannot open video: ") + path);
}

void MainWindow::videoMissing(const QString &path)
{
    reportOpenError(path, tr("No video in: ") + path);
}

void MainWindow::reportOpenError(const QString &path, const QString &message)
{
    // Only the video still open is reported; an older one was replaced already.
    if (path.isEmpty() || path != videoPath)
        return;
    closeVideo();
    QMessageBox::warning(this, tr("Vistaloom"), message);
}

void MainWindow::setLastSaveDir(QDir dir)
{
    lastSaveDir = dir;
    settings.setValue(QStringLiteral("lastSaveDir"), dir.absolutePath());
}

void MainWindow::playPause()
{
    if (!player)
        return;
    if (!player->isPlaying())
        player->play();
    else
        player->pause(!player->isPaused());
}

void MainWindow::updatePlayButton()
{
    if (playIcon.isNull()) {
        playIcon = QIcon(QStringLiteral(":/Images/Play.svg"));
        pauseIcon = QIcon(QStringLiteral(":/Images/Pause.svg"));
    }
    const bool playing = player && !videoPath.isEmpty() && player->state() == MpvPlayer::PlayingState;
    ui->playButton->setIcon(playing ? pauseIcon : playIcon);
}

void MainWindow::skipBackward()
{
    seekRelative(-1000);
}

void MainWindow::skipForward()
{
    seekRelative(1000);
}

void MainWindow::seekRelative(qint64 val)
{
    if (!player)
        return;
    player->pause(true);
    player->setPosition(player->position() + val);
}

void MainWindow::stepBackward()
{
    if (player)
        player->stepBackward();
}

void MainWindow::stepForward()
{
    if (player)
        player->stepForward();
}

void MainWindow::step(MainWindow::SeekDirection direction)
{
    if (direction == SeekForward)
        stepForward();
    else
        stepBackward();
}

void MainWindow::setupPositionSlider()
{
    QSlider *slider = ui->videoSlider;
    // The window owns the style: it must outlive the slider that uses it.
    slider->setStyle(new JumpToClickStyle(this));
    // A drag seeks as the handle moves, a press where the handle lands.
    connect(slider, &QSlider::sliderMoved, this, qOverload<int>(&MainWindow::seekBySlider));
    connect(slider, &QSlider::sliderPressed, this, qOverload<>(&MainWindow::seekBySlider));
    // A click on the track, a key or the wheel moves the handle through an
    // action, which leaves the new place in sliderPosition(); the value
    // follows only after it.
    connect(slider, &QAbstractSlider::actionTriggered, this, [this] { seekBySlider(ui->videoSlider->sliderPosition()); });
}

void MainWindow::seekBySlider(int value)
{
    if (player)
        player->seek(static_cast<qint64>(value * effectiveSliderUnit()));
}

void MainWindow::seekBySlider()
{
    seekBySlider(ui->videoSlider->value());
}

void MainWindow::durationChanged(qint64 value)
{
    ui->durationLabel->setText(formatTime(value));
    updateSlider(player ? player->displayPosition() : 0);
}

void MainWindow::positionChanged(qint64)
{
    const qint64 position = player ? player->displayPosition() : 0;
    ui->positionLabel->setText(formatTime(position));
    requestFrameNumber(position);
    updateSlider(position);
}

void MainWindow::updateSlider(qint64 value)
{
    ui->videoSlider->setStepMilliseconds(effectiveSliderUnit());
    // The user's hand wins over the player's reports.
    if (ui->videoSlider->isSliderDown())
        return;
    const int unit = effectiveSliderUnit();
    const qint64 duration = player ? player->duration() : 0;
    ui->videoSlider->setRange(0, static_cast<int>(duration / unit));
    ui->videoSlider->setValue(static_cast<int>(value / unit));
}

void MainWindow::updateSlider()
{
    updateSlider(player ? player->displayPosition() : 0);
}

void MainWindow::updateSliderUnit()
{
    if (!player)
        return;
    sliderUnit = player->notifyInterval();
    qDebug().nospace() << "updateSliderUnit: " << sliderUnit;
    updateSlider(player->displayPosition());
}

void MainWindow::volumeChanged(int volume)
{
    if (player)
        player->setVolume(volume / 100.0);
}

void MainWindow::setupVolumePopup()
{
    volumePopup = new VolumePopup(this);
    connect(volumePopup, &VolumePopup::volumeChanged, this, &MainWindow::volumeChanged);
}

void MainWindow::on_volumeButton_clicked()
{
    const QPoint button = ui->volumeButton->mapToGlobal(QPoint(0, 0));
    const int x = button.x() + (ui->volumeButton->width() - volumePopup->width()) / 2;
    const int y = button.y() + static_cast<int>(-volumePopup->height() * 1.1);
    volumePopup->move(x, y);
    volumePopup->show();
}
