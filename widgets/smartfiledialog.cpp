#include "smartfiledialog.h"

#include <QMainWindow>
#include <QSettings>
#include <QtDebug>

SmartFileDialog::SmartFileDialog(QWidget *parent, QString name)
    : QFileDialog(parent, QString(), QString(), QString())
    , dialogName(std::move(name))
{
    QSettings settings;
    if (!restoreState(settings.value(dialogName + QStringLiteral("_dialogState")).toByteArray()))
        qDebug() << "Restore state failed";
    const QString path = settings.value(dialogName + QStringLiteral("_dialogPath")).toString();
    if (!path.isEmpty())
        setDirectory(path);
    connect(this, &QDialog::finished, this, &SmartFileDialog::dialogFinished);
}

QString SmartFileDialog::videoPatterns()
{
    return QStringLiteral(
        "*.avi *.mpeg *.mp4 *.mov *.3g2 *.3gp *.3gp2 *.3gpp *.amv *.asf *.bik *.bin *.crf *.divx *.drc *.dv "
        "*.dvr-ms *.evo *.f4v *.flv *.gvi *.gxf *.iso *.m1v *.m2v *.m2t *.m2ts *.m4v *.mkv *.mp2 *.mp2v *.mp4v "
        "*.mpe *.mpeg1 *.mpeg2 *.mpeg4 *.mpg *.mpv2 *.mts *.mtv *.mxf *.mxg *.nsv *.nuv *.ogg *.ogm *.ogv *.ogx "
        "*.ps *.rec *.rm *.rmvb *.rpl *.thp *.tod *.tp *.ts *.tts *.txd *.vob *.vro *.webm *.wm *.wmv *.wtv "
        "*.xesc");
}

void SmartFileDialog::setVideoNameFilters()
{
    setNameFilters({tr("Video Files") + QStringLiteral(" (") + videoPatterns() + QStringLiteral(")"),
                    QStringLiteral("All Files (*.*)")});
}

void SmartFileDialog::setImageNameFilters()
{
    setNameFilters({tr("Image Files") + QStringLiteral(" (*.jpeg *.jpg *.png *.gif *.tiff *.bmp)"),
                    QStringLiteral("All Files (*.*)")});
}

void SmartFileDialog::dialogFinished(int result)
{
    if (result == QDialog::Accepted)
        saveSettings();
    // Give the keyboard back to the window that opened the dialog.
    QWidget *parent = parentWidget();
    if (auto *window = qobject_cast<QMainWindow *>(parent ? parent->window() : nullptr)) {
        window->raise();
        window->activateWindow();
    }
    if (parent) {
        parent->raise();
        parent->activateWindow();
    }
}

void SmartFileDialog::saveSettings()
{
    qDebug() << "Saving state";
    QSettings settings;
    settings.setValue(dialogName + QStringLiteral("_dialogState"), saveState());
    settings.setValue(dialogName + QStringLiteral("_dialogPath"), directory().absolutePath());
}
