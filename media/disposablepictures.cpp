#include "disposablepictures.h"

extern "C" {
#include <libavcodec/codec_par.h>
}

#include <vector>

namespace {

enum NalType : int {
    NonIdrSlice = 1,
    PartitionA = 2,
    PartitionC = 4,
    Sei = 6,
    AccessUnitDelimiter = 9,
    Filler = 12,
};

// SEI messages that say nothing about the pictures after this one.
enum SeiType : int {
    BufferingPeriod = 0,
    PictureTiming = 1,
    UserDataRegistered = 4,
    UserDataUnregistered = 5,
};

} // namespace

DisposablePictures::DisposablePictures(const AVCodecParameters *parameters)
{
    if (!parameters || parameters->codec_id != AV_CODEC_ID_H264)
        return;
    const uint8_t *extra = parameters->extradata;
    const int extraSize = parameters->extradata_size;
    if (extra && extraSize >= 7 && extra[0] == 1) {
        m_lengthSize = (extra[4] & 3) + 1;
        // A length of 3 bytes is allowed by the format but never seen; keep
        // the scanner to sizes it reads for sure.
        m_applies = m_lengthSize == 1 || m_lengthSize == 2 || m_lengthSize == 4;
    } else {
        m_lengthSize = 0;
        m_applies = true;
    }
}

bool DisposablePictures::isDisposable(const uint8_t *data, size_t size) const
{
    if (!m_applies || !data)
        return false;
    bool sawPicture = false;
    auto take = [&](const uint8_t *nal, size_t nalSize) {
        switch (judge(nal, nalSize)) {
        case Verdict::Keep:
            return false;
        case Verdict::Disposable:
            sawPicture = true;
            return true;
        case Verdict::Neutral:
            return true;
        }
        return false;
    };

    if (m_lengthSize > 0) {
        size_t at = 0;
        while (at < size) {
            if (size - at < size_t(m_lengthSize))
                return false;
            size_t nalSize = 0;
            for (int i = 0; i < m_lengthSize; ++i)
                nalSize = (nalSize << 8) | data[at + i];
            at += m_lengthSize;
            if (nalSize == 0 || nalSize > size - at)
                return false;
            if (!take(data + at, nalSize))
                return false;
            at += nalSize;
        }
        return sawPicture;
    }

    // Start codes: 00 00 01, possibly after more zeros.
    auto findStart = [&](size_t from) {
        for (size_t i = from; i + 3 <= size; ++i) {
            if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1)
                return i;
        }
        return size;
    };
    size_t start = findStart(0);
    if (start == size)
        return false;
    while (start < size) {
        const size_t nal = start + 3;
        size_t next = findStart(nal);
        size_t end = next;
        while (end > nal && data[end - 1] == 0)
            --end; // trailing zeros belong to the next start code
        if (end > nal && !take(data + nal, end - nal))
            return false;
        start = next;
    }
    return sawPicture;
}

DisposablePictures::Verdict DisposablePictures::judge(const uint8_t *nal, size_t size) const
{
    if (size < 2 || (nal[0] & 0x80))
        return Verdict::Keep;
    const int refIdc = (nal[0] >> 5) & 3;
    const int type = nal[0] & 0x1f;
    if ((type == NonIdrSlice || (type >= PartitionA && type <= PartitionC)))
        return refIdc == 0 ? Verdict::Disposable : Verdict::Keep;
    if (type == AccessUnitDelimiter || type == Filler)
        return Verdict::Neutral;
    if (type == Sei)
        return seiIsHarmless(nal + 1, size - 1) ? Verdict::Neutral : Verdict::Keep;
    return Verdict::Keep;
}

bool DisposablePictures::seiIsHarmless(const uint8_t *payload, size_t size)
{
    // Undo emulation prevention (00 00 03 -> 00 00) before reading sizes.
    std::vector<uint8_t> raw;
    raw.reserve(size);
    int zeros = 0;
    for (size_t i = 0; i < size; ++i) {
        if (zeros >= 2 && payload[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = payload[i] == 0 ? zeros + 1 : 0;
        raw.push_back(payload[i]);
    }
    size_t at = 0;
    // Payload type and size: runs of 0xff, each adding 255, then a last byte.
    auto readValue = [&](size_t *value) {
        *value = 0;
        while (at < raw.size() && raw[at] == 0xff)
            *value += raw[at++];
        if (at >= raw.size())
            return false;
        *value += raw[at++];
        return true;
    };
    // Stop at the trailing bits (0x80) that end the NAL unit.
    while (at < raw.size() && raw[at] != 0x80) {
        size_t type = 0;
        size_t length = 0;
        if (!readValue(&type) || !readValue(&length) || length > raw.size() - at)
            return false;
        if (type != BufferingPeriod && type != PictureTiming && type != UserDataRegistered
            && type != UserDataUnregistered)
            return false;
        at += length;
    }
    return true;
}
