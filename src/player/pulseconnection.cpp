#include "pulseconnection.h"

#include "soundidentity.h"

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <glib.h>
#include <pulse/error.h>
#include <pulse/ext-stream-restore.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>

PulseConnection::PulseConnection(std::string processId, StateHandler stateChanged,
                                 std::function<void()> reconnecting)
    : m_processId(std::move(processId))
    , m_stateChanged(std::move(stateChanged))
    , m_reconnecting(std::move(reconnecting))
{
}

PulseConnection::~PulseConnection()
{
    m_reconnect.reset();
    drop();
    if (m_mainloop)
        pa_glib_mainloop_free(m_mainloop);
}

bool PulseConnection::connect()
{
    if (!m_mainloop)
        m_mainloop = pa_glib_mainloop_new(nullptr);
    if (!m_mainloop)
        return false;
    pa_proplist* properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_APPLICATION_NAME, sound_identity::ApplicationName);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_ID, sound_identity::ApplicationId);
    pa_proplist_sets(properties, PA_PROP_APPLICATION_PROCESS_ID, m_processId.c_str());
    m_context = pa_context_new_with_proplist(pa_glib_mainloop_get_api(m_mainloop), sound_identity::ApplicationName,
                                             properties);
    pa_proplist_free(properties);
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, onState, this);
    return pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
}

void PulseConnection::drop()
{
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_ext_stream_restore_set_subscribe_cb(m_context, nullptr, nullptr);
    // Disconnecting cancels every pending operation; their callbacks are not
    // called after this.
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
    m_pendingOperations = 0;
}

void PulseConnection::pumpWithoutGlibDispatcher()
{
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    if (m_pump || !dispatcher || dispatcher->inherits("QEventDispatcherGlib"))
        return;
    m_pump = std::make_unique<QTimer>();
    QObject::connect(m_pump.get(), &QTimer::timeout, [] {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
    });
    m_pump->start(20);
}

void PulseConnection::reconnectEvery(int intervalMs)
{
    if (!m_reconnect) {
        m_reconnect = std::make_unique<QTimer>();
        QObject::connect(m_reconnect.get(), &QTimer::timeout, [this] { reconnect(); });
    }
    m_reconnect->start(intervalMs);
}

void PulseConnection::reconnect()
{
    if (m_context) {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY || (PA_CONTEXT_IS_GOOD(state) && state != PA_CONTEXT_UNCONNECTED))
            return;
    }
    drop();
    m_reconnecting();
    connect();
}

bool PulseConnection::ready() const
{
    return m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
}

bool PulseConnection::track(pa_operation* operation)
{
    if (!operation)
        return false;
    pa_operation_unref(operation);
    ++m_pendingOperations;
    return true;
}

void PulseConnection::operationDone()
{
    if (m_pendingOperations > 0)
        --m_pendingOperations;
}

bool PulseConnection::waitFor(const std::function<bool()>& done, int timeoutMs)
{
    GMainContext* context = g_main_context_default();
    bool timedOut = false;
    GSource* timer = g_timeout_source_new(static_cast<guint>(timeoutMs));
    g_source_set_callback(
        timer,
        [](gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &timedOut, nullptr);
    g_source_attach(timer, context);
    while (!done() && !timedOut && m_context && PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context)))
        g_main_context_iteration(context, TRUE);
    g_source_destroy(timer);
    g_source_unref(timer);
    return done();
}

MixerResult PulseConnection::failure() const
{
    const int code = m_context ? pa_context_errno(m_context) : PA_ERR_INTERNAL;
    const int known = code == PA_OK ? PA_ERR_CONNECTIONTERMINATED : code;
    return {known, pa_strerror(known)};
}

void PulseConnection::onState(pa_context* context, void* self)
{
    auto* connection = static_cast<PulseConnection*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY && connection->m_reconnect)
        connection->m_reconnect->stop();
    if (!PA_CONTEXT_IS_GOOD(state))
        connection->m_pendingOperations = 0;
    connection->m_stateChanged(state);
}
