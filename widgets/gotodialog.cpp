#include "gotodialog.h"

#include "ui_gotodialog.h"

#include "media/frameindex.h"
#include "profiles/timelist.h"

#include <QPushButton>
#include <QThread>

#include <memory>

namespace {

// Far beyond any video's end: asked for it, the index numbers the last picture.
constexpr double beyondAnyVideoSeconds = 1e7;

} // namespace

GotoDialog::GotoDialog(const QString &videoPath, qint64 durationMs, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::GotoDialog)
    , m_videoPath(videoPath)
    , m_durationMs(durationMs)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

GotoDialog::~GotoDialog()
{
    if (m_counting) {
        m_abort.store(true);
        m_counting->wait();
    }
}

void GotoDialog::accept()
{
    if (m_counting)
        return;
    const QString text = ui->positionLineEdit->text();
    auto error = std::make_shared<QString>();
    m_counting = QThread::create([this, text, error] {
        if (!m_frames) {
            m_frames = std::make_unique<FrameIndex>(m_abort);
            m_frames->open(m_videoPath);
        }
        *error = findPicture(text);
    });
    m_counting->setParent(this);
    connect(m_counting, &QThread::finished, this, [this, error] { counted(*error); });
    ui->positionLineEdit->setEnabled(false);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(false);
    ui->errorLabel->setText(tr("Counting the frames…"));
    m_counting->start();
}

void GotoDialog::reject()
{
    if (m_counting) {
        m_abort.store(true);
        m_counting->wait();
    }
    QDialog::reject();
}

void GotoDialog::counted(const QString &error)
{
    delete m_counting;
    m_counting = nullptr;
    if (m_abort.load())
        return;
    ui->positionLineEdit->setEnabled(true);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(true);
    ui->errorLabel->setText(error);
    if (error.isEmpty())
        QDialog::accept();
    else
        ui->positionLineEdit->setFocus();
}

QString GotoDialog::findPicture(const QString &text)
{
    // One position, written as the console's --at takes them.
    const QVector<TimeList::Entry> entries = TimeList::parse(text);
    if (entries.size() != 1)
        return tr("Not a time or frame number: %1").arg(text.trimmed());
    const TimeList::Entry &position = entries.first();
    if (position.isFrame()) {
        const std::optional<double> seconds = m_frames->secondsOf(position.frame);
        if (!seconds) {
            const qint64 count = m_frames->numberAt(beyondAnyVideoSeconds) + 1;
            if (count <= 0)
                return tr("Cannot count the frames of this video");
            return tr("Frame %1 is past the end (%2 frames)").arg(position.frame).arg(count);
        }
        m_frame = position.frame;
        m_seconds = *seconds;
        return QString();
    }
    if (position.ms > m_durationMs)
        return tr("Past the end of the video (%1)").arg(TimeList::clockText(m_durationMs));
    // The frame nearest the time, as a capture at that time takes it.
    m_frame = m_frames->numberAt(position.ms / 1000.0);
    const std::optional<double> seconds = m_frame >= 0 ? m_frames->secondsOf(m_frame) : std::nullopt;
    m_seconds = seconds ? *seconds : position.ms / 1000.0;
    if (!seconds)
        m_frame = -1;
    return QString();
}
