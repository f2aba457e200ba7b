// The choice lists of Batch Mode and the profile buttons beside them.
#include "batchmodedialog.h"
#include "ui_batchmodedialog.h"

#include "batchmodelistmodel.h"
#include "filenameprofiledialog.h"
#include "imageprofiledialog.h"

#include "media/backgroundvideoreader.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/filenameprofile.h"
#include "profiles/imageprofile.h"
#include "profiles/profilemanager.h"

#include <QScopedValueRollback>
#include <QStandardItemModel>

namespace {

// The profile every selected job uses; null when they differ or none is
// selected.
template<typename Profile>
Profile *sharedProfile(const QVector<BatchWorkerConfig *> &selected, Profile *(BatchWorkerConfig::*profileOf)() const)
{
    Profile *common = selected.isEmpty() ? nullptr : (selected.first()->*profileOf)();
    for (BatchWorkerConfig *config : selected) {
        if ((config->*profileOf)() != common)
            return nullptr;
    }
    return common;
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
    ImageProfileDialog dialog(this);
    dialog.selectProfile(sharedProfile(selected, &BatchWorkerConfig::imageProfile));
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
    FileNameProfileDialog dialog(this);
    dialog.selectProfile(sharedProfile(selected, &BatchWorkerConfig::fileNameProfile));
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
