#include "fixturevideos.h"
#include "testmain.h"

#include "media/demuxer.h"
#include "media/disposablepictures.h"
#include "media/videodecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
}

#include <QCryptographicHash>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QtTest>

#include <memory>

// H.264 packets are left out before decoding only when no other picture
// refers to them: what is left decodes to exactly the same pictures.
class TestDisposablePictures : public QObject
{
    Q_OBJECT

private:
    enum class Mode { Full, DecoderSkipsNonReference, LeaveOutDisposable };

    // Picture hashes by presentation time.
    static QMap<qint64, QByteArray> decode(const QString &path, Mode mode)
    {
        Demuxer demuxer;
        demuxer.setMedia(path);
        QMap<qint64, QByteArray> pictures;
        if (!demuxer.load() || !demuxer.setVideoStreamIndex(0))
            return pictures;
        std::unique_ptr<VideoDecoder> decoder = VideoDecoder::create("FFmpeg");
        if (!decoder || !decoder->setCodecContext(demuxer.videoStream()) || !decoder->open())
            return pictures;
        if (mode == Mode::DecoderSkipsNonReference) {
            QVariantHash codec;
            codec.insert(QStringLiteral("skip_frame"), QStringLiteral("noref"));
            decoder->setOptions(QVariantHash{{QStringLiteral("avcodec"), codec}});
        }
        decoder->setSkipNonReference(mode == Mode::LeaveOutDisposable);
        auto collect = [&] {
            while (decoder->receive() == VideoDecoder::Result::Frame) {
                const qint64 ticks = decoder->frameTicks();
                const QImage image = decoder->takeFrame(0).toImage();
                // Row by row: the padding at the end of each row is not picture.
                QCryptographicHash hash(QCryptographicHash::Sha1);
                for (int y = 0; y < image.height(); ++y)
                    hash.addData(reinterpret_cast<const char *>(image.constScanLine(y)), image.width() * 4);
                pictures.insert(ticks, hash.result());
            }
        };
        while (demuxer.readFrame()) {
            if (demuxer.packet().streamIndex() != demuxer.streamIndex())
                continue;
            decoder->send(demuxer.packet());
            collect();
        }
        decoder->sendEndOfStream();
        collect();
        return pictures;
    }

    // Presentation times of the packets the scanner calls disposable.
    static QSet<qint64> disposablePackets(const QString &path, int *packets)
    {
        Demuxer demuxer;
        demuxer.setMedia(path);
        QSet<qint64> times;
        *packets = 0;
        if (!demuxer.load() || !demuxer.setVideoStreamIndex(0))
            return times;
        const DisposablePictures scanner(demuxer.videoStream()->codecpar);
        while (demuxer.readFrame()) {
            const Packet &packet = demuxer.packet();
            if (packet.streamIndex() != demuxer.streamIndex())
                continue;
            ++*packets;
            if (scanner.isDisposable(packet.avPacket()->data, size_t(packet.avPacket()->size)))
                times.insert(packet.pts());
        }
        return times;
    }

    using CodecParameters = std::unique_ptr<AVCodecParameters, void (*)(AVCodecParameters *)>;
    static CodecParameters h264Parameters(bool lengthPrefixed)
    {
        CodecParameters parameters(avcodec_parameters_alloc(),
                                   [](AVCodecParameters *p) { avcodec_parameters_free(&p); });
        parameters->codec_id = AV_CODEC_ID_H264;
        if (lengthPrefixed) {
            // avcC with 4-byte lengths and no parameter sets.
            static const uint8_t avcc[] = {1, 0x64, 0, 0x1f, 0xff, 0xe0, 0};
            parameters->extradata = static_cast<uint8_t *>(av_mallocz(sizeof(avcc) + 64));
            memcpy(parameters->extradata, avcc, sizeof(avcc));
            parameters->extradata_size = sizeof(avcc);
        }
        return parameters;
    }

    static QByteArray packet(const QList<QByteArray> &nals, bool lengthPrefixed)
    {
        QByteArray out;
        for (const QByteArray &nal : nals) {
            if (lengthPrefixed) {
                const quint32 n = quint32(nal.size());
                out.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
            } else {
                out.append(QByteArray::fromHex("00000001"));
            }
            out.append(nal);
        }
        return out;
    }

private slots:
    void leavingOutChangesNoOtherPicture_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("x264");
        QTest::newRow("pyramid of B pictures, MP4") << QStringLiteral("pyramid.mp4") << QStringLiteral("bframes=3:b-pyramid=normal");
        QTest::newRow("pyramid, MPEG-TS start codes") << QStringLiteral("pyramid.ts") << QStringLiteral("bframes=3:b-pyramid=strict");
        QTest::newRow("no pyramid, several references") << QStringLiteral("refs.mkv")
                                                        << QStringLiteral("bframes=2:b-pyramid=none:ref=4:weightp=2");
        QTest::newRow("timing SEI on every picture") << QStringLiteral("hrd.ts")
                                                     << QStringLiteral("bframes=3:nal-hrd=cbr:bitrate=800:vbv-maxrate=800:vbv-bufsize=800");
        QTest::newRow("recovery points, no IDR after the first") << QStringLiteral("refresh.mp4")
                                                                 << QStringLiteral("bframes=2:intra-refresh=1:keyint=20");
        QTest::newRow("open GOP") << QStringLiteral("opengop.mkv") << QStringLiteral("bframes=3:open-gop=1:keyint=30");
    }
    void leavingOutChangesNoOtherPicture()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, x264);
        // Moving content: a picture decoded from a wrong reference differs.
        const QString path = FixtureVideos::make(
            fileName, {QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                       QStringLiteral("testsrc2=s=320x240:r=25:d=6"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
                       QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"), QStringLiteral("-x264-params"), x264});
        QVERIFY(!path.isEmpty());

        const QMap<qint64, QByteArray> full = decode(path, Mode::Full);
        const QMap<qint64, QByteArray> referenced = decode(path, Mode::DecoderSkipsNonReference);
        QCOMPARE(full.size(), 150);
        QVERIFY(referenced.size() < full.size());

        int packets = 0;
        const QSet<qint64> disposable = disposablePackets(path, &packets);
        QCOMPARE(packets, full.size());
        for (qint64 pts : disposable)
            QVERIFY2(!referenced.contains(pts), qPrintable(QStringLiteral("reference picture at %1 called disposable").arg(pts)));
        // Every picture the decoder itself would leave out is found.
        QCOMPARE(disposable.size() + referenced.size(), full.size());

        const QMap<qint64, QByteArray> leftOut = decode(path, Mode::LeaveOutDisposable);
        QCOMPARE(leftOut.keys(), referenced.keys());
        for (auto it = leftOut.cbegin(); it != leftOut.cend(); ++it)
            QVERIFY2(it.value() == full.value(it.key()), qPrintable(QStringLiteral("picture at %1 differs").arg(it.key())));
    }

    void packetContents_data()
    {
        QTest::addColumn<QList<QByteArray>>("nals");
        QTest::addColumn<bool>("disposable");
        const QByteArray nonReference = QByteArray::fromHex("0188840021ff");
        const QByteArray reference = QByteArray::fromHex("4188840021ff");
        const QByteArray delimiter = QByteArray::fromHex("0910");
        QTest::newRow("slice nothing refers to") << QList<QByteArray>{nonReference} << true;
        QTest::newRow("after a delimiter") << QList<QByteArray>{delimiter, nonReference} << true;
        QTest::newRow("referenced slice") << QList<QByteArray>{reference} << false;
        QTest::newRow("one of two slices referenced") << QList<QByteArray>{nonReference, reference} << false;
        QTest::newRow("with parameter sets") << QList<QByteArray>{QByteArray::fromHex("6764001facd9"), nonReference} << false;
        QTest::newRow("with an end of sequence") << QList<QByteArray>{nonReference, QByteArray::fromHex("0a")} << false;
        QTest::newRow("user data SEI") << QList<QByteArray>{QByteArray::fromHex("0605021234" "80"), nonReference} << true;
        QTest::newRow("recovery point SEI") << QList<QByteArray>{QByteArray::fromHex("060601" "84" "80"), nonReference} << false;
        QTest::newRow("SEI size past its end") << QList<QByteArray>{QByteArray::fromHex("0605401234" "80"), nonReference} << false;
        // 00 00 03 inside the payload is two zero bytes once unescaped.
        QTest::newRow("escaped SEI payload") << QList<QByteArray>{QByteArray::fromHex("06050300000301" "80"), nonReference} << true;
        QTest::newRow("forbidden bit set") << QList<QByteArray>{QByteArray::fromHex("8188840021ff")} << false;
        QTest::newRow("no picture at all") << QList<QByteArray>{delimiter} << false;
    }
    void packetContents()
    {
        QFETCH(QList<QByteArray>, nals);
        QFETCH(bool, disposable);
        for (bool lengthPrefixed : {true, false}) {
            const CodecParameters parameters = h264Parameters(lengthPrefixed);
            const DisposablePictures scanner(parameters.get());
            const QByteArray bytes = packet(nals, lengthPrefixed);
            QCOMPARE(scanner.isDisposable(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size())),
                     disposable);
        }
        // A length prefix longer than what follows it is never trusted.
        const CodecParameters parameters = h264Parameters(true);
        const DisposablePictures scanner(parameters.get());
        QByteArray cut = packet(nals, true);
        cut.chop(1);
        QVERIFY(!scanner.isDisposable(reinterpret_cast<const uint8_t *>(cut.constData()), size_t(cut.size())));
    }
};

VISTALOOM_TEST_MAIN_CORE(TestDisposablePictures)
#include "tst_disposablepictures.moc"
