// The interval rules of Batch Mode: typing into a rule's field selects the
// rule, values out of range are repaired, and the other rule's field
// shows what the typed one gives.
#include "batchmodedialog.h"
#include "ui_batchmodedialog.h"

#include "media/videoinfo.h"
#include "profiles/batchworkerconfig.h"

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
