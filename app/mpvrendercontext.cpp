#include "mpvrendercontext.h"

#include <mpv/render.h>

#include <QMetaObject>

void MpvRenderContext::Deleter::operator()(mpv_render_context *context) const
{
    // No update call runs after this returns; then the context can go.
    mpv_render_context_set_update_callback(context, nullptr, nullptr);
    mpv_render_context_free(context);
}

bool MpvRenderContext::create(mpv_handle *handle, mpv_render_param *params, QObject *receiver,
                              std::function<void()> onUpdate)
{
    reset();
    mpv_render_context *context = nullptr;
    if (!handle || mpv_render_context_create(&context, handle, params) < 0)
        return false;
    m_context.reset(context);
    m_updates = std::make_unique<Updates>(Updates{receiver, std::move(onUpdate)});
    mpv_render_context_set_update_callback(
        context,
        [](void *data) {
            // On one of mpv's threads: only queue the work. Both fields are
            // fixed while the callback is set.
            const auto *updates = static_cast<const Updates *>(data);
            QMetaObject::invokeMethod(updates->receiver, updates->onUpdate, Qt::QueuedConnection);
        },
        m_updates.get());
    return true;
}

void MpvRenderContext::reset()
{
    m_context.reset();
    m_updates.reset();
}
