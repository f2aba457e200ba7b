#include "batchprocessingdialog.h"
#include "ui_batchprocessingdialog.h"

#include "profiledialogsupport.h"

#include "batch/batchthread.h"
#include "profiles/batchworkerconfig.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QScreen>
#include <QShowEvent>
#include <QTextCursor>

BatchProcessingDialog::BatchProcessingDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::BatchProcessingDialog>())
{
    // The workers' status type crosses threads in queued calls.
    BatchWorker::registerMetaTypes();
    ui->setupUi(this);
    ProfileDialogSupport::removeContextHelpButton(this);
    thread = new BatchThread(this);
    connect(ui->doneButton, &QPushButton::clicked, this, &BatchProcessingDialog::doneButtonClicked);
    connect(thread, &BatchThread::progressUpdate, this, &BatchProcessingDialog::threadProgressUpdate);
    connect(thread, &BatchThread::threadDone, this, &BatchProcessingDialog::threadDone);
    updateDoneButton();
    ui->currentVideoLabel->setFullText(QStringLiteral("Loading..."));
    ui->statusLabel->setFullText(QString());
}

BatchProcessingDialog::~BatchProcessingDialog()
{
    // Also when the dialog goes before its batch ran to the end (a parent
    // closing): the workers and their configs must outlive the thread.
    if (thread->isRunning()) {
        thread->cancel();
        thread->wait();
    }
}

void BatchProcessingDialog::addJob(BatchWorkerConfig *config)
{
    auto *worker = new BatchWorker(this);
    worker->setConfig(config);
    connect(worker, &BatchWorker::statusUpdate, this, &BatchProcessingDialog::workerStatusUpdate);
    connect(worker, &BatchWorker::imageReady, this, &BatchProcessingDialog::workerImageReady);
    thread->addWorker(worker);
}

int BatchProcessingDialog::exec()
{
    show();
    thread->start(QThread::InheritPriority);
    return QDialog::exec();
}

void BatchProcessingDialog::reject()
{
    // QDialog::reject would hide the dialog and end exec() while the batch
    // still runs; it goes through the same confirmation as closing instead.
    if (m_finished) {
        QDialog::reject();
        return;
    }
    if (confirmCancel())
        cancelBatch();
}

void BatchProcessingDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    keepOnScreen();
}

void BatchProcessingDialog::keepOnScreen()
{
    // Nothing in the dialog may make it grow past the screen's usable area,
    // window frame included.
    const QRect available = screen()->availableGeometry();
    const QSize frame = frameGeometry().size() - geometry().size();
    setMaximumSize(available.size() - frame);
}

void BatchProcessingDialog::closeEvent(QCloseEvent *event)
{
    if (m_finished) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    if (confirmCancel())
        cancelBatch();
}

bool BatchProcessingDialog::confirmCancel()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Cancel Batch Processing"), tr("Are you sure you want to cancel batch processing?\n"),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return answer == QMessageBox::Yes;
}

void BatchProcessingDialog::cancelBatch()
{
    thread->cancel();
    updateDoneButton();
}

void BatchProcessingDialog::updateDoneButton()
{
    ui->doneButton->setText(m_finished ? tr("Done") : tr("Cancel"));
}

void BatchProcessingDialog::doneButtonClicked()
{
    if (m_finished) {
        close();
        return;
    }
    if (confirmCancel())
        cancelBatch();
}

void BatchProcessingDialog::appendLog(const QString &text, BatchWorker *worker)
{
    QString line = text;
    if (worker && worker->config())
        line = worker->config()->source() + QStringLiteral(": ") + text;
    line += QLatin1Char('\n');
    QTextCursor cursor = ui->logTextEdit->textCursor();
    cursor.movePosition(QTextCursor::End);
    ui->logTextEdit->setTextCursor(cursor);
    ui->logTextEdit->insertPlainText(line);
}

void BatchProcessingDialog::workerStatusUpdate(BatchWorker *worker, QString text,
                                               BatchWorker::BatchStatusMessageType type)
{
    if (worker && worker->config())
        ui->currentVideoLabel->setFullText(worker->config()->source());
    ui->statusLabel->setFullText(text);
    if (type == BatchWorker::Error)
        appendLog(text, worker);
}

void BatchProcessingDialog::workerImageReady(BatchWorker *, QImage &image)
{
    ui->previewImageView->setImage(image);
}

void BatchProcessingDialog::threadProgressUpdate(float overallProgress, float currentProgress)
{
    ui->progressBarTotal->setValue(static_cast<int>(overallProgress * 100));
    ui->progressBarCurrent->setValue(static_cast<int>(currentProgress * 100));
}

void BatchProcessingDialog::threadDone()
{
    m_finished = true;
    updateDoneButton();
    appendLog(tr("Processing Complete"));
    ui->currentVideoLabel->setFullText(QString());
    ui->statusLabel->setFullText(tr("Processing Complete"));
}
