#ifndef VISTALOOM_MPVRENDERCONTEXT_H
#define VISTALOOM_MPVRENDERCONTEXT_H

#include <QObject>

#include <functional>
#include <memory>

struct mpv_handle;
struct mpv_render_context;
struct mpv_render_param;

// Owns one of mpv's render contexts for a video widget, and hands mpv's
// "something new to draw" calls, made on mpv's own threads, to the
// widget's thread.
class MpvRenderContext
{
public:
    MpvRenderContext() = default;
    ~MpvRenderContext() { reset(); }
    MpvRenderContext(const MpvRenderContext &) = delete;
    MpvRenderContext &operator=(const MpvRenderContext &) = delete;

    // False when mpv refused the parameters. onUpdate then runs on the
    // receiver's thread after each update call. The receiver must outlive
    // this context (the widget that owns it); a call still queued when it
    // goes is dropped by Qt.
    bool create(mpv_handle *handle, mpv_render_param *params, QObject *receiver, std::function<void()> onUpdate);
    // Stops the update calls and frees the context; an OpenGL one needs its
    // GL context current.
    void reset();

    mpv_render_context *get() const { return m_context.get(); }
    explicit operator bool() const { return static_cast<bool>(m_context); }

private:
    struct Updates {
        QObject *receiver;
        std::function<void()> onUpdate;
    };
    struct Deleter {
        void operator()(mpv_render_context *context) const;
    };

    // Declared before the context so it outlives the callback that uses it.
    std::unique_ptr<Updates> m_updates;
    std::unique_ptr<mpv_render_context, Deleter> m_context;
};

#endif
