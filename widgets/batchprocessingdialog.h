#ifndef VISTALOOM_BATCHPROCESSINGDIALOG_H
#define VISTALOOM_BATCHPROCESSINGDIALOG_H

#include "batch/batchworker.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <memory>

namespace Ui {
class BatchProcessingDialog;
}
class BatchThread;
class BatchWorkerConfig;

// Runs the queued jobs on a batch thread and shows their progress, status,
// errors and the last saved image. It cannot be closed while the batch runs.
class BatchProcessingDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BatchProcessingDialog(QWidget *parent = nullptr);
    ~BatchProcessingDialog() override;

    // The caller keeps config alive for the dialog's lifetime.
    void addJob(BatchWorkerConfig *config);
    // Starts the batch and runs the dialog modally.
    int exec() override;
    // Escape and the window's close button lead here and to closeEvent.
    void reject() override;

    bool isBatchFinished() const { return m_finished; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void doneButtonClicked();
    void workerStatusUpdate(BatchWorker *worker, QString text, BatchWorker::BatchStatusMessageType type);
    void workerImageReady(BatchWorker *worker, QImage &image);
    void threadProgressUpdate(float overallProgress, float currentProgress);
    void threadDone();

private:
    bool confirmCancel();
    void cancelBatch();
    void updateDoneButton();
    void keepOnScreen();
    void appendLog(const QString &text, BatchWorker *worker = nullptr);

    std::unique_ptr<Ui::BatchProcessingDialog> ui;
    BatchThread *thread = nullptr;
    // Set by threadDone: the thread has no more work once it says so, even
    // if it has not returned from run() yet.
    bool m_finished = false;
};

#endif
