#ifndef VISTALOOM_DISPOSABLEPICTURES_H
#define VISTALOOM_DISPOSABLEPICTURES_H

#include <cstddef>
#include <cstdint>

struct AVCodecParameters;

// Tells H.264 packets that hold only a picture no other picture refers to
// (every slice with nal_ref_idc 0), so they can be left out before they
// reach the decoder. Leaving them out there, rather than letting the
// decoder drop them, keeps every decoder thread busy with pictures that
// matter.
//
// Conservative: a packet also carrying parameter sets, an end of sequence,
// a recovery point or anything unknown is never called disposable.
class DisposablePictures
{
public:
    explicit DisposablePictures(const AVCodecParameters *parameters);

    bool isDisposable(const uint8_t *data, size_t size) const;
    // Whether the stream's packets can be told apart at all.
    bool applies() const { return m_applies; }

private:
    enum class Verdict { Disposable, Keep, Neutral };
    Verdict judge(const uint8_t *nal, size_t size) const;
    static bool seiIsHarmless(const uint8_t *payload, size_t size);

    bool m_applies = false;
    // Bytes of each NAL unit's length prefix in MP4-style packets; 0 for
    // start-code (Annex B) packets.
    int m_lengthSize = 0;
};

#endif
