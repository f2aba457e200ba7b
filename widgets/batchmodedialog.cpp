#include "batchmodedialog.h"
#include "ui_batchmodedialog.h"

#include "batchmodelistmodel.h"
#include "batchprocessingdialog.h"
#include "batchtablecolumns.h"
#include "fieldbinding.h"
#include "nofocusitemdelegate.h"
#include "profiledialogsupport.h"
#include "smartfiledialog.h"

#include "media/backgroundvideoreader.h"
#include "media/videoinfo.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/field.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QIntValidator>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QUrl>

using namespace ProfileDialogSupport;

namespace {

QString multipleMarker()
{
    return QStringLiteral("[") + BatchModeDialog::tr("Multiple") + QStringLiteral("]");
}

} // namespace

BatchModeDialog::BatchModeDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::BatchModeDialog>())
{
    ui->setupUi(this);
    setGroupBoxMargins(this);
    removeContextHelpButton(this);
    // Return in a number or folder field ends the edit; it must not press
    // Load Video or Start as the dialog's default button.
    for (QPushButton *button : findChildren<QPushButton *>())
        button->setAutoDefault(false);

    model = new BatchModeListModel(this);
    ui->filesTableView->setModel(model);
    ui->filesTableView->setItemDelegate(new NoFocusItemDelegate(ui->filesTableView));
    ui->filesTableView->horizontalHeader()->setHighlightSections(false);
    connect(ui->filesTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &BatchModeDialog::loadFormValues);
    columns = std::make_unique<BatchTableColumns>(ui->filesTableView);
    reader = new BackgroundVideoReader(this);
    connect(reader, &BackgroundVideoReader::infoLoaded, this, &BatchModeDialog::videoInfoLoaded);

    loadImageProfileComboBox();
    loadFileNameProfileComboBox();
    loadSingleShotComboBox();
    createBindings();

    loadFormValues();
    setAcceptDrops(true);
}

BatchModeDialog::~BatchModeDialog()
{
    // Reads still running end after the jobs are gone; nothing of theirs
    // reaches the dialog any more.
    reader->disconnect(this);
}

void BatchModeDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The table has its width only once the dialog is laid out for showing.
    columns->layOutOnFirstShow();
}

void BatchModeDialog::createBindings()
{
    fields = {
        makeField(this, "source", ui->selectedVideoFileNameLabel),
        makeField(this, "imageProfileId", ui->imageProfileComboBox),
        makeField(this, "fileOutputPath", ui->fileOutputFolderTextEdit),
        makeField(this, "filenameProfileId", ui->filenameProfileComboBox),
        makeField(this, "filenameExample", ui->filenameOutputExampleLabel),
        makeField(this, "intervalType", ui->intervalMillisecondsRadioButton, BatchWorkerConfig::EveryMilliseconds),
        makeField(this, "intervalType", ui->intervalImagesRadioButton, BatchWorkerConfig::ImageCount),
        makeField(this, "intervalType", ui->intervalSingleShotRadioButton, BatchWorkerConfig::SingleShot),
        makeField(this, "intervalType", ui->intervalSceneChangeRadioButton, BatchWorkerConfig::SceneChange),
        makeField(this, "intervalType", ui->intervalAtTimesRadioButton, BatchWorkerConfig::AtTimes),
        makeField(this, "atTimes", ui->intervalAtTimesLineEdit),
        makeField(this, "intervalMilliseconds", ui->intervalMillisecondsTextEdit),
        makeField(this, "intervalImages", ui->intervalImagesTextEdit),
        makeField(this, "intervalSingleShot", ui->intervalSingleShotComboBox),
        makeField(this, "sceneThreshold", ui->sceneThresholdTextEdit),
        makeField(this, "sceneMinGapMilliseconds", ui->sceneMinGapTextEdit),
        makeField(this, "skipFront", ui->skipFrontTextEdit),
        makeField(this, "skipBack", ui->skipBackTextEdit),
        makeField(this, "fastSeek", ui->fastSeekCheckBox),
        makeField(this, "smartPick", ui->smartPickCheckBox),
        makeField(this, "contactSheet", ui->contactSheetCheckBox),
        makeField(this, "contactSheetColumns", ui->contactSheetColumnsTextEdit),
        makeField(this, "contactSheetRows", ui->contactSheetRowsTextEdit),
    };
    for (QLineEdit *edit : {ui->contactSheetColumnsTextEdit, ui->contactSheetRowsTextEdit})
        edit->setValidator(new QIntValidator(1, BatchWorkerConfig::MaxContactSheetCells, edit));
    for (Field *field : qAsConst(fields))
        watchField(field);
    // Choosing a rule shows its values and the other rule's estimate.
    for (QRadioButton *radio : {ui->intervalMillisecondsRadioButton, ui->intervalImagesRadioButton,
                                ui->intervalSingleShotRadioButton, ui->intervalSceneChangeRadioButton,
                                ui->intervalAtTimesRadioButton})
        connect(radio, &QRadioButton::clicked, this, &BatchModeDialog::loadFormValues);
    // After the binding, which takes a marker away as the user types.
    connect(ui->intervalAtTimesLineEdit, &QLineEdit::textChanged, this, &BatchModeDialog::showAtTimesState);
}

void BatchModeDialog::watchField(Field *field)
{
    FieldBinding(field).watch(this, [this, field] {
        if (!loading)
            fieldUpdated(field);
    });
}

QVector<BatchWorkerConfig *> BatchModeDialog::getSelectedConfigs()
{
    QVector<BatchWorkerConfig *> selected;
    const QModelIndexList indexes = ui->filesTableView->selectionModel()->selectedIndexes();
    for (const QModelIndex &index : indexes) {
        if (index.column() != 0)
            continue;
        if (BatchWorkerConfig *config = model->configAt(index.row()))
            selected.append(config);
    }
    return selected;
}

QVariant BatchModeDialog::fieldValue(BatchWorkerConfig *config, const Field *field)
{
    const QByteArray name(field->propertyName);
    const int type = config->intervalType();
    if ((name == "intervalMilliseconds" && type != BatchWorkerConfig::EveryMilliseconds)
        || (name == "intervalImages" && type != BatchWorkerConfig::ImageCount)
        || (name == "intervalSingleShot" && type != BatchWorkerConfig::SingleShot)
        || ((name == "sceneThreshold" || name == "sceneMinGapMilliseconds") && type != BatchWorkerConfig::SceneChange)
        || (name == "atTimes" && type != BatchWorkerConfig::AtTimes))
        return QString();
    return config->property(field->propertyName);
}

void BatchModeDialog::loadFormValues()
{
    const QScopedValueRollback<bool> guard(loading, true);
    const QVector<BatchWorkerConfig *> selected = getSelectedConfigs();
    for (const Field *field : qAsConst(fields))
        showSelectedValue(field, selected);
    updateFieldsEnabled();
    if (selected.size() == 1)
        updateIntervalEstimates(selected.first());
    const QDir remembered = getRememberedOutputDir();
    if (remembered.exists()) {
        ui->fileOutputFolderTextEdit->setText(QDir::toNativeSeparators(remembered.absolutePath()));
        // Checking the box applies the folder to every job.
        ui->fileOutputFolderRememberCheckbox->setChecked(true);
    }
    showAtTimesState();
}

void BatchModeDialog::showSelectedValue(const Field *field, const QVector<BatchWorkerConfig *> &selected)
{
    if (selected.isEmpty())
        return;
    const QVariant value = fieldValue(selected.first(), field);
    bool differ = false;
    for (int i = 1; i < selected.size() && !differ; ++i)
        differ = fieldValue(selected.at(i), field) != value;
    // The profile choices name the marker in their "no common value" item.
    for (QComboBox *combo : {ui->imageProfileComboBox, ui->filenameProfileComboBox}) {
        if (field->widget == combo)
            combo->setItemText(0, differ ? multipleMarker() : QStringLiteral("-"));
    }
    FieldBinding(field).showShared(value, differ, multipleMarker());
}

void BatchModeDialog::showFilenameExample()
{
    const QVector<BatchWorkerConfig *> selected = getSelectedConfigs();
    for (const Field *field : qAsConst(fields)) {
        if (field->widget == ui->filenameOutputExampleLabel)
            showSelectedValue(field, selected);
    }
}

void BatchModeDialog::fieldUpdated(Field *field)
{
    // Only editors are watched. An unchecked radio button (the one kind of
    // field that stands for a value) does not speak for its property.
    const FieldBinding binding(field);
    const QVariant value = binding.read();
    if (field->value != -1 && value.toInt() == -1)
        return;
    binding.dropMarker();
    const QVector<BatchWorkerConfig *> selected = getSelectedConfigs();
    for (BatchWorkerConfig *config : selected) {
        config->setProperty(field->propertyName, value);
        model->configChanged(config);
    }
    if (selected.size() == 1)
        updateIntervalEstimates(selected.first());
    // The example name depends on the profile and, through the padding, on
    // the interval; keep it in step with the jobs.
    const QScopedValueRollback<bool> guard(loading, true);
    showFilenameExample();
}

void BatchModeDialog::updateFieldsEnabled()
{
    const QScopedValueRollback<bool> guard(loading, true);
    const bool hasSelection = !getSelectedConfigs().isEmpty();
    ui->startButton->setEnabled(model->rowCount() > 0);
    ui->removeVideoButton->setEnabled(hasSelection);
    for (QWidget *group : std::initializer_list<QWidget *>{ui->selectedVideoGroupBox, ui->imageProfileGroupBox,
                                                          ui->intervalGroupBox, ui->skipGroupBox,
                                                          ui->fileOutputGroupBox})
        group->setEnabled(hasSelection);
    for (const Field *field : qAsConst(fields)) {
        field->widget->setEnabled(hasSelection);
        if (!hasSelection)
            FieldBinding(field).clear();
    }
    if (!hasSelection)
        ui->selectedVideoFileNameLabel->setFullText(tr("[No Video Selected]"));
}

void BatchModeDialog::selectRows(int first, int last)
{
    QItemSelection rows(model->index(first, 0), model->index(last, BatchModeListModel::ColumnCount - 1));
    ui->filesTableView->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect
                                                           | QItemSelectionModel::Rows);
}

void BatchModeDialog::loadFiles(QList<QString> files)
{
    const QDir remembered = getRememberedOutputDir();
    int added = 0;
    for (const QString &path : files) {
        if (path.isEmpty())
            return;
        auto config = std::make_unique<BatchWorkerConfig>();
        config->loadDefaults();
        config->setSource(path);
        if (remembered.exists())
            config->setFileOutputDir(remembered);
        // The information comes later, on its own; reading it may mean
        // reading far into a file that does not state its length.
        infoLoading.insert(++lastTicket, config.get());
        reader->loadInfo(lastTicket, path);
        model->addConfig(std::move(config));
        ++added;
    }
    if (added > 0) {
        QTableView *table = ui->filesTableView;
        table->repaint();
        table->clearSelection();
        table->setSelectionMode(QAbstractItemView::MultiSelection);
        selectRows(model->rowCount() - added, model->rowCount() - 1);
        table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    raise();
    activateWindow();
    ui->filesTableView->setFocus();
}

void BatchModeDialog::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void BatchModeDialog::dropEvent(QDropEvent *event)
{
    QList<QString> files;
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl &url : urls)
        files.append(url.toLocalFile());
    event->acceptProposedAction();
    loadFiles(files);
}

void BatchModeDialog::on_loadVideoButton_clicked()
{
    saveBatchWorkerConfigDefault();
    SmartFileDialog dialog(this, QStringLiteral("openDialog"));
    dialog.setVideoNameFilters();
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() == QDialog::Accepted)
        loadFiles(dialog.selectedFiles());
}

void BatchModeDialog::on_removeVideoButton_clicked()
{
    QModelIndexList rows;
    const QModelIndexList indexes = ui->filesTableView->selectionModel()->selectedIndexes();
    for (const QModelIndex &index : indexes) {
        if (index.column() == 0)
            rows.append(index);
    }
    model->removeConfigs(rows);
    updateFieldsEnabled();
    ui->filesTableView->setFocus();
}

void BatchModeDialog::on_selectAllVideoButton_clicked()
{
    ui->filesTableView->selectAll();
    ui->filesTableView->setFocus();
}

void BatchModeDialog::on_cancelButton_clicked()
{
    close();
}

void BatchModeDialog::on_startButton_clicked()
{
    if (!validateTimeLists() || !validateOutputDirs())
        return;
    loadMissingVideoInfo();
    saveBatchWorkerConfigDefault();
    BatchProcessingDialog dialog(this);
    const QList<BatchWorkerConfig *> configs = model->configs();
    for (BatchWorkerConfig *config : configs)
        dialog.addJob(config);
    dialog.exec();
    // The workers may have repaired interval values of their jobs.
    refreshAllRows();
    loadFormValues();
    raise();
    activateWindow();
}

void BatchModeDialog::loadMissingVideoInfo()
{
    // The batch thread reads the jobs' information, so none may arrive
    // while it runs: what is still on its way is read here, and its late
    // arrival then ignored.
    const QList<BatchWorkerConfig *> configs = model->configs();
    for (BatchWorkerConfig *config : configs) {
        if (!config->videoInfo())
            config->loadVideoInfo();
    }
}

void BatchModeDialog::videoInfoLoaded(quint64 ticket, const std::shared_ptr<VideoInfo> &info)
{
    const QPointer<BatchWorkerConfig> job = infoLoading.take(ticket);
    // A job removed meanwhile, or one given its information for a batch.
    if (!job || job->videoInfo())
        return;
    job->setVideoInfo(info);
    // The length sets the expected image count, and so the names' padding
    // and the estimates.
    model->configChanged(job);
    const QVector<BatchWorkerConfig *> selected = getSelectedConfigs();
    if (!selected.contains(job))
        return;
    if (selected.size() == 1)
        updateIntervalEstimates(job);
    const QScopedValueRollback<bool> guard(loading, true);
    showFilenameExample();
}

void BatchModeDialog::refreshAllRows()
{
    const QList<BatchWorkerConfig *> configs = model->configs();
    for (BatchWorkerConfig *config : configs)
        model->configChanged(config);
}

void BatchModeDialog::saveBatchWorkerConfigDefault()
{
    const QVector<BatchWorkerConfig *> selected = getSelectedConfigs();
    if (!selected.isEmpty())
        selected.last()->saveDefaults();
    else if (model->rowCount() > 0)
        model->configAt(model->rowCount() - 1)->saveDefaults();
}
