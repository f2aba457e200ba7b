#include "batchmodedialog.h"
#include "ui_batchmodedialog.h"

#include "batchmodelistmodel.h"
#include "batchprocessingdialog.h"
#include "batchtablecolumns.h"
#include "fieldbinding.h"
#include "filenameprofiledialog.h"
#include "imageprofiledialog.h"
#include "nofocusitemdelegate.h"
#include "outputfolderprompt.h"
#include "profiledialogsupport.h"
#include "smartfiledialog.h"

#include "media/backgroundvideoreader.h"
#include "media/videoinfo.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/field.h"
#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/outputfolder.h"
#include "profiles/profilemanager.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QIntValidator>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QUrl>

using namespace ProfileDialogSupport;

namespace {

QString multipleMarker()
{
    return QStringLiteral("[") + BatchModeDialog::tr("Multiple") + QStringLiteral("]");
}

// Item 0 ("-") stands for "no common value" and cannot be chosen.
void disableFirstItem(QComboBox *combo)
{
    if (auto *items = qobject_cast<QStandardItemModel *>(combo->model())) {
        if (QStandardItem *first = items->item(0))
            first->setFlags(first->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
    }
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
                                ui->intervalSingleShotRadioButton, ui->intervalSceneChangeRadioButton})
        connect(radio, &QRadioButton::clicked, this, &BatchModeDialog::loadFormValues);
}

void BatchModeDialog::watchField(Field *field)
{
    FieldBinding(field).watch(this, [this, field] {
        if (!loading)
            fieldUpdated(field);
    });
}

void BatchModeDialog::loadProfileComboBox(QComboBox *combo, ProfileManager *manager)
{
    const QScopedValueRollback<bool> guard(loading, true);
    combo->clear();
    combo->addItem(QStringLiteral("-"), QStringLiteral("-"));
    const QList<BaseProfile *> profiles = manager->profiles();
    for (BaseProfile *profile : profiles)
        combo->addItem(profile->name(), profile->id());
    disableFirstItem(combo);
}

void BatchModeDialog::loadImageProfileComboBox()
{
    loadProfileComboBox(ui->imageProfileComboBox, ImageProfile::manager());
}

void BatchModeDialog::loadFileNameProfileComboBox()
{
    loadProfileComboBox(ui->filenameProfileComboBox, FileNameProfile::manager());
}

void BatchModeDialog::loadSingleShotComboBox()
{
    QComboBox *combo = ui->intervalSingleShotComboBox;
    combo->clear();
    combo->addItem(QStringLiteral("-"), QStringLiteral("-"));
    combo->addItem(tr("front"), BatchWorkerConfig::Front);
    combo->addItem(tr("middle"), BatchWorkerConfig::Middle);
    combo->addItem(tr("back"), BatchWorkerConfig::Back);
    disableFirstItem(combo);
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
        || ((name == "sceneThreshold" || name == "sceneMinGapMilliseconds") && type != BatchWorkerConfig::SceneChange))
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

void BatchModeDialog::updateIntervalEstimates(BatchWorkerConfig *config)
{
    ui->intervalMillisecondsTextEdit->setPlaceholderText(QString());
    ui->intervalImagesTextEdit->setPlaceholderText(QString());
    // The shots are counted only by the job itself.
    if (config->intervalType() == BatchWorkerConfig::SceneChange)
        ui->intervalImagesTextEdit->setPlaceholderText(config->expectedImageCountText());
    // The other estimates wait for the video's length.
    if (!config->videoInfo())
        return;
    const qint64 span = config->videoInfo()->duration() - config->skipFront() - config->skipBack();
    if (config->intervalType() == BatchWorkerConfig::ImageCount && config->intervalImages() > 0)
        ui->intervalMillisecondsTextEdit->setPlaceholderText(QString::number(span / config->intervalImages()));
    if (config->intervalType() == BatchWorkerConfig::EveryMilliseconds && config->intervalMilliseconds() > 0)
        ui->intervalImagesTextEdit->setPlaceholderText(QString::number(span / config->intervalMilliseconds() + 1));
}

void BatchModeDialog::resetIntervalWidgets()
{
    ui->intervalMillisecondsRadioButton->setEnabled(true);
    ui->intervalImagesRadioButton->setEnabled(true);
    ui->intervalMillisecondsTextEdit->setPlaceholderText(QString());
    ui->intervalImagesTextEdit->setPlaceholderText(QString());
}

// Typing into a rule's field selects that rule.
void BatchModeDialog::on_intervalMillisecondsTextEdit_textChanged(QString text)
{
    if (loading || text.isEmpty() || ui->intervalMillisecondsRadioButton->isChecked())
        return;
    resetIntervalWidgets();
    ui->intervalMillisecondsRadioButton->click();
    ui->intervalMillisecondsTextEdit->setText(text);
}

void BatchModeDialog::on_intervalImagesTextEdit_textChanged(QString text)
{
    if (loading || text.isEmpty() || ui->intervalImagesRadioButton->isChecked())
        return;
    resetIntervalWidgets();
    ui->intervalImagesRadioButton->click();
    ui->intervalImagesTextEdit->setText(text);
}

void BatchModeDialog::on_sceneThresholdTextEdit_textChanged(QString text)
{
    selectSceneRuleFor(ui->sceneThresholdTextEdit, text);
}

void BatchModeDialog::on_sceneMinGapTextEdit_textChanged(QString text)
{
    selectSceneRuleFor(ui->sceneMinGapTextEdit, text);
}

void BatchModeDialog::selectSceneRuleFor(QLineEdit *edit, const QString &text)
{
    if (loading || text.isEmpty() || ui->intervalSceneChangeRadioButton->isChecked())
        return;
    resetIntervalWidgets();
    ui->intervalSceneChangeRadioButton->click();
    edit->setText(text);
}

void BatchModeDialog::on_sceneThresholdTextEdit_editingFinished()
{
    repairSceneValue(ui->sceneThresholdTextEdit, BatchWorkerConfig::MaxSceneThreshold);
}

void BatchModeDialog::on_sceneMinGapTextEdit_editingFinished()
{
    repairSceneValue(ui->sceneMinGapTextEdit, BatchWorkerConfig::MaxIntervalMilliseconds);
}

void BatchModeDialog::repairSceneValue(QLineEdit *edit, int maximum)
{
    if (edit->text().isEmpty() && !edit->isModified())
        return;
    bool isNumber = false;
    const int value = edit->text().toInt(&isNumber);
    if (isNumber && value >= 0 && value <= maximum)
        return;
    edit->undo();
}

void BatchModeDialog::repairInterval(QLineEdit *edit, const QString &fallback)
{
    // Leaving an empty field untouched (another rule's field, or a
    // "[Multiple]" one) must not overwrite the jobs' values.
    if (edit->text().isEmpty() && !edit->isModified())
        return;
    if (edit->text().toInt() > 0)
        return;
    edit->undo();
    if (edit->text().toInt() <= 0)
        edit->setText(fallback);
}

void BatchModeDialog::on_intervalMillisecondsTextEdit_editingFinished()
{
    repairInterval(ui->intervalMillisecondsTextEdit, QStringLiteral("100"));
}

void BatchModeDialog::on_intervalImagesTextEdit_editingFinished()
{
    repairInterval(ui->intervalImagesTextEdit, QStringLiteral("10"));
}

void BatchModeDialog::on_skipFrontTextEdit_editingFinished()
{
    if (ui->skipFrontTextEdit->text().toLongLong() < 0)
        ui->skipFrontTextEdit->undo();
}

void BatchModeDialog::on_skipBackTextEdit_editingFinished()
{
    if (ui->skipBackTextEdit->text().toLongLong() < 0)
        ui->skipBackTextEdit->undo();
}

QDir BatchModeDialog::getRememberedOutputDir()
{
    return OutputFolder::remembered();
}

void BatchModeDialog::saveRememberedOutputDir()
{
    const QDir dir(ui->fileOutputFolderTextEdit->text());
    const QList<BatchWorkerConfig *> configs = model->configs();
    for (BatchWorkerConfig *config : configs) {
        config->setFileOutputDir(dir);
        model->configChanged(config);
    }
    OutputFolder::remember(dir);
}

void BatchModeDialog::on_fileOutputFolderRememberCheckbox_stateChanged(int state)
{
    if (state != Qt::Checked) {
        OutputFolder::forget();
        return;
    }
    if (OutputFolderPrompt::existsOrCreate(this, ui->fileOutputFolderTextEdit->text())) {
        saveRememberedOutputDir();
        return;
    }
    ui->fileOutputFolderTextEdit->setFocus();
    ui->fileOutputFolderRememberCheckbox->setChecked(false);
}

void BatchModeDialog::on_fileOutputFolderSelectButton_clicked()
{
    SmartFileDialog dialog(this, QStringLiteral("batchOutputFolder"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    const QString current = ui->fileOutputFolderTextEdit->text();
    if (OutputFolder::exists(current))
        dialog.setDirectory(QDir(current));
    else
        dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DesktopLocation));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString chosen = QDir(dialog.selectedFiles().first()).absolutePath();
    ui->fileOutputFolderTextEdit->setText(QDir::toNativeSeparators(chosen));
    if (ui->fileOutputFolderRememberCheckbox->isChecked())
        saveRememberedOutputDir();
}

void BatchModeDialog::on_fileOutputFolderTextEdit_editingFinished()
{
    QLineEdit *edit = ui->fileOutputFolderTextEdit;
    // Only an edit of the user's is checked, and only once.
    if (checkingFolder || !edit->isModified())
        return;
    checkingFolder = true;
    const QString text = edit->text();
    if (OutputFolderPrompt::existsOrCreate(this, text)) {
        edit->setText(text);
        if (ui->fileOutputFolderRememberCheckbox->isChecked())
            saveRememberedOutputDir();
    } else {
        edit->undo();
        edit->setModified(false);
        if (OutputFolder::exists(edit->text()))
            edit->setFocus();
        else
            on_fileOutputFolderSelectButton_clicked();
    }
    edit->setModified(false);
    checkingFolder = false;
}

bool BatchModeDialog::validateOutputDirs()
{
    bool selectedARow = false;
    for (int row = 0; row < model->rowCount(); ++row) {
        BatchWorkerConfig *config = model->configAt(row);
        if (config->fileOutputDir().exists())
            continue;
        selectRows(row, row);
        selectedARow = true;
        ui->fileOutputFolderTextEdit->setFocus();
        const bool wasChecking = checkingFolder;
        checkingFolder = true;
        const bool created = OutputFolderPrompt::offerToCreate(this, config->fileOutputDir());
        checkingFolder = wasChecking;
        if (!created)
            return false;
    }
    if (selectedARow)
        ui->filesTableView->clearSelection();
    return true;
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
        model->addConfig(config.release());
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
    if (!validateOutputDirs())
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

void BatchModeDialog::on_imageProfileComboBox_currentIndexChanged(int index)
{
    ui->imageProfileEditButton->setEnabled(index != 0);
    if (index < 1)
        return;
    ProfileManager *manager = ImageProfile::manager();
    if (BaseProfile *profile = manager->profileById(ui->imageProfileComboBox->currentData().toString()))
        manager->setLastUsedProfile(profile);
}

void BatchModeDialog::on_filenameProfileComboBox_currentIndexChanged(int index)
{
    ui->filenameProfileEditButton->setEnabled(index != 0);
    if (index < 1)
        return;
    ProfileManager *manager = FileNameProfile::manager();
    if (BaseProfile *profile = manager->profileById(ui->filenameProfileComboBox->currentData().toString()))
        manager->setLastUsedProfile(profile);
}

void BatchModeDialog::on_imageProfileEditButton_clicked()
{
    const QVector<BatchWorkerConfig *> selected = getSelectedConfigs();
    ImageProfile *common = selected.isEmpty() ? nullptr : selected.first()->imageProfile();
    for (BatchWorkerConfig *config : selected) {
        if (config->imageProfile() != common)
            common = nullptr;
    }
    ImageProfileDialog dialog(this);
    dialog.selectProfile(common);
    // Batch Mode has no snapshot: the preview shows the first frame of the
    // video, once it is decoded.
    if (!selected.isEmpty()) {
        const quint64 ticket = ++lastTicket;
        connect(reader, &BackgroundVideoReader::firstFrameDecoded, &dialog,
                [&dialog, ticket](quint64 decoded, const QImage &image) {
                    if (decoded == ticket)
                        dialog.setImage(image);
                });
        reader->decodeFirstFrame(ticket, selected.first()->source());
    }
    dialog.exec();
    if (auto *chosen = qobject_cast<ImageProfile *>(dialog.selectedProfile())) {
        for (BatchWorkerConfig *config : selected) {
            config->setImageProfile(chosen);
            model->configChanged(config);
        }
    }
    loadImageProfileComboBox();
    loadFormValues();
}

void BatchModeDialog::on_filenameProfileEditButton_clicked()
{
    const QVector<BatchWorkerConfig *> selected = getSelectedConfigs();
    FileNameProfile *common = selected.isEmpty() ? nullptr : selected.first()->fileNameProfile();
    for (BatchWorkerConfig *config : selected) {
        if (config->fileNameProfile() != common)
            common = nullptr;
    }
    FileNameProfileDialog dialog(this);
    dialog.selectProfile(common);
    dialog.exec();
    if (auto *chosen = qobject_cast<FileNameProfile *>(dialog.selectedProfile())) {
        for (BatchWorkerConfig *config : selected) {
            config->setFileNameProfile(chosen);
            model->configChanged(config);
        }
    }
    loadFileNameProfileComboBox();
    loadFormValues();
}

void BatchModeDialog::on_filenameProfileComboBox_activated(QString)
{
    loadFormValues();
}

void BatchModeDialog::saveBatchWorkerConfigDefault()
{
    const QVector<BatchWorkerConfig *> selected = getSelectedConfigs();
    if (!selected.isEmpty())
        selected.last()->saveDefaults();
    else if (model->rowCount() > 0)
        model->configAt(model->rowCount() - 1)->saveDefaults();
}
