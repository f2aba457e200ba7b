#include "gotodialog.h"

#include "ui_gotodialog.h"

#include "media/frameindex.h"
#include "profiles/timelist.h"

#include <QGuiApplication>

namespace {

// Far beyond any video's end: asked for it, the index numbers the last picture.
constexpr double beyondAnyVideoSeconds = 1e7;

} // namespace

GotoDialog::GotoDialog(FrameIndex &frames, qint64 durationMs, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::GotoDialog)
    , m_frames(frames)
    , m_durationMs(durationMs)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

GotoDialog::~GotoDialog() = default;

void GotoDialog::accept()
{
    // Reading the file up to a picture far into a long video takes a moment.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString error = findPicture(ui->positionLineEdit->text());
    QGuiApplication::restoreOverrideCursor();
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
        const std::optional<double> seconds = m_frames.secondsOf(position.frame);
        if (!seconds) {
            const qint64 count = m_frames.numberAt(beyondAnyVideoSeconds) + 1;
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
    m_frame = m_frames.numberAt(position.ms / 1000.0);
    const std::optional<double> seconds = m_frame >= 0 ? m_frames.secondsOf(m_frame) : std::nullopt;
    m_seconds = seconds ? *seconds : position.ms / 1000.0;
    if (!seconds)
        m_frame = -1;
    return QString();
}
