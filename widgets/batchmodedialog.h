#ifndef VISTALOOM_BATCHMODEDIALOG_H
#define VISTALOOM_BATCHMODEDIALOG_H

#include <QDialog>
#include <QDir>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <QVector>

#include <memory>

namespace Ui {
class BatchModeDialog;
}
class BackgroundVideoReader;
class BatchModeListModel;
class BatchTableColumns;
class BatchWorkerConfig;
class Field;
class ProfileManager;
class QComboBox;
class QLineEdit;
class QRadioButton;
class VideoInfo;

// Collects videos as batch jobs, edits the settings of the selected jobs
// all at once, and starts the batch. Adding a video returns at once: its
// information is read on another thread and fills its row when it comes.
class BatchModeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit BatchModeDialog(QWidget *parent = nullptr);
    ~BatchModeDialog() override;

    BatchModeListModel *listModel() const { return model; }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void showEvent(QShowEvent *event) override;

private slots:
    void on_loadVideoButton_clicked();
    void on_removeVideoButton_clicked();
    void on_selectAllVideoButton_clicked();
    void on_fileOutputFolderRememberCheckbox_stateChanged(int state);
    void saveRememberedOutputDir();
    QDir getRememberedOutputDir();
    void loadFormValues();
    void loadFiles(QList<QString> files);
    void updateFieldsEnabled();
    QVector<BatchWorkerConfig *> getSelectedConfigs();
    void fieldUpdated(Field *field);
    void loadSingleShotComboBox();
    void on_cancelButton_clicked();
    void on_startButton_clicked();
    bool validateOutputDirs();
    void on_intervalMillisecondsTextEdit_textChanged(QString text);
    void on_intervalImagesTextEdit_textChanged(QString text);
    void on_intervalMillisecondsTextEdit_editingFinished();
    void on_intervalImagesTextEdit_editingFinished();
    void on_sceneThresholdTextEdit_textChanged(QString text);
    void on_sceneMinGapTextEdit_textChanged(QString text);
    void on_sceneThresholdTextEdit_editingFinished();
    void on_sceneMinGapTextEdit_editingFinished();
    void on_intervalAtTimesLineEdit_textChanged(QString text);
    void on_skipFrontTextEdit_editingFinished();
    void on_skipBackTextEdit_editingFinished();
    void on_fileOutputFolderTextEdit_editingFinished();
    void on_fileOutputFolderSelectButton_clicked();
    void on_imageProfileComboBox_currentIndexChanged(int index);
    void on_imageProfileEditButton_clicked();
    void on_filenameProfileComboBox_currentIndexChanged(int index);
    void on_filenameProfileEditButton_clicked();
    void on_filenameProfileComboBox_activated(QString);
    void resetIntervalWidgets();
    void updateIntervalEstimates(BatchWorkerConfig *config);
    void saveBatchWorkerConfigDefault();

private:
    void createBindings();
    void watchField(Field *field);
    void loadProfileComboBox(QComboBox *combo, ProfileManager *manager);
    void loadImageProfileComboBox();
    void loadFileNameProfileComboBox();
    // The value a job shows for a field; an interval of another rule shows nothing.
    static QVariant fieldValue(BatchWorkerConfig *config, const Field *field);
    // The selected jobs' common value, or the marker when they differ.
    void showSelectedValue(const Field *field, const QVector<BatchWorkerConfig *> &selected);
    void showFilenameExample();
    void selectRows(int first, int last);
    void repairInterval(QLineEdit *edit, const QString &fallback);
    // Typing into a scene field selects the scene rule.
    void selectRuleFor(QRadioButton *rule, QLineEdit *edit, const QString &text);
    // The list field's example when it shows nothing else, and its text
    // marked when it is no list of times.
    void showAtTimesState();
    // False, with the job selected and a message, when a job of the AtTimes
    // rule holds no usable list.
    bool validateTimeLists();
    // A value outside 0..maximum goes back to what it was.
    void repairSceneValue(QLineEdit *edit, int maximum);
    void refreshAllRows();
    void videoInfoLoaded(quint64 ticket, const std::shared_ptr<VideoInfo> &info);
    // Jobs still waiting for their information get it now, for the batch.
    void loadMissingVideoInfo();

    std::unique_ptr<Ui::BatchModeDialog> ui;
    BatchModeListModel *model = nullptr;
    BackgroundVideoReader *reader = nullptr;
    // Gone with the members, before QDialog hides a dialog still on show:
    // the resizes of that hiding are nothing to keep.
    std::unique_ptr<BatchTableColumns> columns;
    QList<Field *> fields;
    bool loading = false;
    // The folder checks open message boxes, which take the focus and so
    // end the folder field's editing a second time.
    bool checkingFolder = false;
    // Reads on their way, by ticket; a job removed meanwhile is null.
    QHash<quint64, QPointer<BatchWorkerConfig>> infoLoading;
    quint64 lastTicket = 0;
};

#endif
