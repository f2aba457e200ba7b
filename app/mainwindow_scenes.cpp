// The finding half of the main window: pictures over the position slider
// while the pointer rests on it, and the cuts between shots as marks on it,
// with keys to go from one to the next.
#include "mainwindow.h"

#include "mpvplayer.h"
#include "previewslider.h"
#include "previewsource.h"
#include "scenefinder.h"
#include "ui_mainwindow.h"

#include <QKeySequence>
#include <QStatusBar>

#include <algorithm>

namespace {

// How long the last word of a search stays in the status bar.
constexpr int sceneMessageMs = 5000;

} // namespace

void MainWindow::setupSceneMarksAndPreviews()
{
    previewSource = new PreviewSource(this);
    PreviewSlider *slider = ui->videoSlider;
    connect(slider, &PreviewSlider::previewWanted, this, [this](qint64 ms) {
        previewSource->setSource(videoPath);
        previewSource->request(ms);
    });
    connect(slider, &PreviewSlider::previewDropped, previewSource, &PreviewSource::cancel);
    connect(previewSource, &PreviewSource::previewReady, slider, &PreviewSlider::showPreview);

    sceneFinder = new SceneFinder(this);
    connect(sceneFinder, &SceneFinder::cutFound, this, [this](qint64 ms) {
        QVector<qint64> marks = ui->videoSlider->marks();
        // Kept in order, which the keys' search relies on.
        marks.insert(std::lower_bound(marks.begin(), marks.end(), ms), ms);
        ui->videoSlider->setMarks(marks);
    });
    connect(sceneFinder, &SceneFinder::progress, this, &MainWindow::sceneSearchProgress);
    connect(sceneFinder, &SceneFinder::finished, this, &MainWindow::sceneSearchFinished);
}

void MainWindow::forgetSceneMarks()
{
    if (sceneFinder && sceneFinder->isRunning()) {
        sceneFinder->stop();
        statusBar()->clearMessage();
    }
    showSceneSearchRunning(false);
    ui->videoSlider->setMarks({});
    if (previewSource)
        previewSource->setSource(QString());
}

void MainWindow::showSceneSearchRunning(bool running)
{
    ui->actionFindScenes->setText(running ? tr("Stop Finding Scenes") : tr("Find Scenes"));
    // Escape stops a search too; the menu shows the first key.
    QList<QKeySequence> keys{QKeySequence(QStringLiteral("Ctrl+F"))};
    if (running)
        keys << QKeySequence(Qt::Key_Escape);
    ui->actionFindScenes->setShortcuts(keys);
}

void MainWindow::on_actionFindScenes_triggered()
{
    if (!sceneFinder || videoPath.isEmpty())
        return;
    if (sceneFinder->isRunning()) {
        sceneFinder->stop();
        showSceneSearchRunning(false);
        statusBar()->showMessage(tr("Finding scenes stopped"), sceneMessageMs);
        return;
    }
    ui->videoSlider->setMarks({});
    showSceneSearchRunning(true);
    sceneSearchProgress(0);
    sceneFinder->start(videoPath, player ? player->duration() : 0);
}

void MainWindow::sceneSearchProgress(int percent)
{
    statusBar()->showMessage(tr("Finding scenes: %1 %").arg(percent));
}

void MainWindow::sceneSearchFinished(bool completed)
{
    showSceneSearchRunning(false);
    const int cuts = ui->videoSlider->marks().size();
    statusBar()->showMessage(completed ? tr("Scenes found: %1 cuts").arg(cuts)
                                       : tr("Finding scenes ended early: %1 cuts").arg(cuts),
                             sceneMessageMs);
}

void MainWindow::on_actionNextScene_triggered()
{
    goToCut(true);
}

void MainWindow::on_actionPreviousScene_triggered()
{
    goToCut(false);
}

void MainWindow::goToCut(bool forward)
{
    const QVector<qint64> marks = ui->videoSlider->marks();
    if (!player)
        return;
    if (marks.isEmpty()) {
        // Without marks the keys page the slider that has the focus, as
        // they always did (Page Up adds unless the controls are inverted).
        if (ui->videoSlider->hasFocus()) {
            const bool add = forward == ui->videoSlider->invertedControls();
            ui->videoSlider->triggerAction(add ? QAbstractSlider::SliderPageStepAdd
                                               : QAbstractSlider::SliderPageStepSub);
        }
        return;
    }
    // The position sits on a frame's time; half a frame tells "on this cut"
    // from "past it" whatever the rounding of either.
    const qint64 slack = qMax(1, player->notifyInterval() / 2);
    const qint64 position = player->position();
    qint64 target = -1;
    if (forward) {
        const auto next = std::upper_bound(marks.cbegin(), marks.cend(), position + slack);
        if (next == marks.cend())
            return;
        target = *next;
    } else {
        if (position <= slack)
            return;
        const auto next = std::lower_bound(marks.cbegin(), marks.cend(), position - slack);
        // Before the first cut lies the first shot, which starts at 0.
        target = next == marks.cbegin() ? 0 : *(next - 1);
    }
    player->pause(true);
    // An exact seek: mpv shows the shot's first frame itself.
    player->seek(target);
}
