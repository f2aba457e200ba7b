#include "webvttwriter.h"

#include "atomicimagefile.h"
#include "contactsheet.h"
#include "outputfile.h"

QByteArray WebVttWriter::document(const QVector<Cue> &cues)
{
    QByteArray text("WEBVTT\n");
    for (const Cue &cue : cues) {
        text += '\n';
        text += (ContactSheet::timeText(cue.startMs) + QStringLiteral(" --> ") + ContactSheet::timeText(cue.endMs)
                 + QLatin1Char('\n') + cue.target + QLatin1Char('\n'))
                    .toUtf8();
    }
    return text;
}

bool WebVttWriter::write(const QDir &folder, const QString &stem, const QVector<Cue> &cues,
                         const std::function<void(const QString &)> &saving, QString *failedPath)
{
    int counter = 1;
    const OutputFile::FreeName name = OutputFile::claimFirstFree(folder, counter, [&](int n) {
        return n == 1 ? stem + QStringLiteral(".vtt") : stem + QStringLiteral("-%1.vtt").arg(n);
    });
    *failedPath = name.path;
    if (name.claim != OutputFile::Claim::Claimed)
        return false;
    saving(name.fileName);
    // Written beside the claimed file and renamed over it.
    AtomicImageFile file(name.path);
    const QByteArray text = document(cues);
    if (!file.open() || file.device()->write(text) != text.size() || !file.commit()) {
        OutputFile::release(name.path);
        return false;
    }
    failedPath->clear();
    return true;
}
