#include "filenameprofiledialog.h"
#include "ui_filenameprofiledialog.h"

#include "profiledialogsupport.h"

#include "imaging/outputimagetype.h"
#include "profiles/filenameprofile.h"
#include "profiles/profilemanager.h"

#include <QEvent>
#include <QFileInfo>
#include <QStyle>
#include <QStyleOptionFrame>

#include <memory>

using namespace ProfileDialogSupport;

FileNameProfileDialog::FileNameProfileDialog(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::FileNameProfileDialog>())
{
    ui->setupUi(this);
    setGroupBoxMargins(this);
    removeContextHelpButton(this);
    fillChoices();

    ProfileSelector *selector = ui->profileSelector;
    connect(selector, &ProfileSelector::profileSelected, this, &FileNameProfileDialog::profileSelected);
    connect(selector, &ProfileSelector::fieldChanged, this, &FileNameProfileDialog::fieldChanged);
    connect(selector, &ProfileSelector::profileNameTextChanged, this, &FileNameProfileDialog::profileNameTextChanged);

    selector->addField(makeField(this, "fileOutputPrefix", ui->formatPrefixLineEdit));
    selector->addField(makeField(this, "fileBaseName", ui->formatBasenameLineEdit));
    selector->addField(makeField(this, "fileOutputSuffix", ui->formatSuffixLineEdit));
    selector->addField(makeField(this, "fileOutputType", ui->formatFileExtensionComboBox));
    selector->addField(makeField(this, "fileOutputCounterPadZeros", ui->fileCounterLeadingZerosComboBox));
    selector->setProfileManager(FileNameProfile::manager());
    ui->formatBasenameLineEdit->installEventFilter(this);
}

FileNameProfileDialog::~FileNameProfileDialog() = default;

void FileNameProfileDialog::fillChoices()
{
    for (const QString &suffix : OutputImageType::allSuffixes())
        ui->formatFileExtensionComboBox->addItem(QStringLiteral(".") + suffix, suffix);
    QComboBox *zeros = ui->fileCounterLeadingZerosComboBox;
    zeros->addItem(tr("Automatic"), -1);
    zeros->addItem(tr("None"), 0);
    // n leading zeros are stored as the digit count n + 1.
    for (int n = 1; n <= 10; ++n)
        zeros->addItem(QString::number(n), n + 1);
}

void FileNameProfileDialog::selectProfile(BaseProfile *profile)
{
    m_selectedProfile = profile;
    ui->profileSelector->selectProfile(profile);
    updateExample();
}

BaseProfile *FileNameProfileDialog::selectedProfile() const
{
    return m_selectedProfile;
}

void FileNameProfileDialog::setExampleVideoName(const QString &fileName)
{
    exampleVideoName = fileName;
    updateExample();
}

void FileNameProfileDialog::profileSelected(BaseProfile *)
{
    updateExample();
}

void FileNameProfileDialog::profileNameTextChanged(QString name)
{
    ui->saveButton->setEnabled(!name.isEmpty());
}

void FileNameProfileDialog::fieldChanged(Field *)
{
    updateExample();
}

void FileNameProfileDialog::updateExample()
{
    FileNameProfile profile;
    ui->profileSelector->saveFieldsToProfile(&profile);
    ui->outputExampleVideoLabel->setFullText(exampleVideoName);
    exampleBaseName = QFileInfo(exampleVideoName).baseName();
    showBaseNamePlaceholder();
    ui->outputExampleLabel->setFullText(profile.generateFileName(exampleBaseName, 1, 0, ExampleFrameMs, ExampleFrameNumber));
    ui->outputExampleWithoutCounterLabel->setFullText(
        profile.generateFileName(exampleBaseName, -1, 0, ExampleFrameMs, ExampleFrameNumber));
}

bool FileNameProfileDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->formatBasenameLineEdit && event->type() == QEvent::Resize)
        showBaseNamePlaceholder();
    return QDialog::eventFilter(watched, event);
}

void FileNameProfileDialog::showBaseNamePlaceholder()
{
    // The line edit cuts a long placeholder at its end; the video's name is
    // shortened in the middle instead, as the examples are.
    QLineEdit *edit = ui->formatBasenameLineEdit;
    if (!edit->testAttribute(Qt::WA_Resized)) {
        edit->setPlaceholderText(exampleBaseName);
        return;
    }
    QStyleOptionFrame frame;
    frame.initFrom(edit);
    frame.rect = edit->rect();
    frame.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, edit) : 0;
    const QRect contents = edit->style()->subElementRect(QStyle::SE_LineEditContents, &frame, edit);
    // The line edit keeps two more pixels clear on either side of its text.
    const int room = contents.width() - edit->textMargins().left() - edit->textMargins().right() - 4;
    edit->setPlaceholderText(edit->fontMetrics().elidedText(exampleBaseName, Qt::ElideMiddle, qMax(0, room)));
}

void FileNameProfileDialog::on_resetToDefaultsButton_clicked()
{
    const std::unique_ptr<BaseProfile> defaults = FileNameProfile::manager()->createProfile();
    ui->profileSelector->loadFieldsFromProfile(defaults.get());
}

void FileNameProfileDialog::on_cancelButton_clicked()
{
    close();
}

void FileNameProfileDialog::on_saveButton_clicked()
{
    m_selectedProfile = ui->profileSelector->saveProfile();
    accept();
}
