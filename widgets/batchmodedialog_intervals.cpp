// The interval rules of Batch Mode: typing into a rule's field selects the
// rule, values out of range are repaired (text that is no list of times is
// marked, and refused at Start), and the other rule's field shows what the
// typed one gives.
#include "batchmodedialog.h"
#include "ui_batchmodedialog.h"

#include "batchmodelistmodel.h"

#include "media/videoinfo.h"
#include "profiles/batchworkerconfig.h"
#include "profiles/timelist.h"

#include <QFileInfo>
#include <QMessageBox>

void BatchModeDialog::updateIntervalEstimates(BatchWorkerConfig *config)
{
    ui->intervalMillisecondsTextEdit->setPlaceholderText(QString());
    ui->intervalImagesTextEdit->setPlaceholderText(QString());
    // The shots are counted only by the job itself, a list by its entries.
    const int type = config->intervalType();
    if (type == BatchWorkerConfig::SceneChange || type == BatchWorkerConfig::AtTimes)
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
    selectRuleFor(ui->intervalMillisecondsRadioButton, ui->intervalMillisecondsTextEdit, text);
}

void BatchModeDialog::on_intervalImagesTextEdit_textChanged(QString text)
{
    selectRuleFor(ui->intervalImagesRadioButton, ui->intervalImagesTextEdit, text);
}

void BatchModeDialog::on_sceneThresholdTextEdit_textChanged(QString text)
{
    selectRuleFor(ui->intervalSceneChangeRadioButton, ui->sceneThresholdTextEdit, text);
}

void BatchModeDialog::on_sceneMinGapTextEdit_textChanged(QString text)
{
    selectRuleFor(ui->intervalSceneChangeRadioButton, ui->sceneMinGapTextEdit, text);
}

void BatchModeDialog::on_intervalAtTimesLineEdit_textChanged(QString text)
{
    selectRuleFor(ui->intervalAtTimesRadioButton, ui->intervalAtTimesLineEdit, text);
}

void BatchModeDialog::showAtTimesState()
{
    QLineEdit *edit = ui->intervalAtTimesLineEdit;
    if (edit->placeholderText().isEmpty())
        edit->setPlaceholderText(tr("1:23.456, 95, f2000"));
    QString error;
    const bool invalid = !edit->text().isEmpty() && TimeList::parse(edit->text(), &error).isEmpty();
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Text, invalid ? QColor(Qt::red) : this->palette().color(QPalette::Text));
    edit->setPalette(palette);
    edit->setToolTip(invalid ? error
                             : tr("Seconds (83.456), mm:ss.mmm, hh:mm:ss.mmm or a frame number counted from 0 after "
                                  "f (f2000), separated by commas."));
}

bool BatchModeDialog::validateTimeLists()
{
    for (int row = 0; row < model->rowCount(); ++row) {
        BatchWorkerConfig *config = model->configAt(row);
        QString error;
        if (config->intervalType() != BatchWorkerConfig::AtTimes
            || !TimeList::parse(config->atTimes(), &error).isEmpty())
            continue;
        selectRows(row, row);
        ui->intervalAtTimesLineEdit->setFocus();
        const QString video = QFileInfo(config->source()).fileName();
        QMessageBox::warning(this, tr("Vistaloom"), tr("The times of %1 cannot be used.\n\n%2").arg(video, error));
        return false;
    }
    return true;
}

void BatchModeDialog::selectRuleFor(QRadioButton *rule, QLineEdit *edit, const QString &text)
{
    if (loading || text.isEmpty() || rule->isChecked())
        return;
    resetIntervalWidgets();
    rule->click();
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
