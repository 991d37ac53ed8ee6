#pragma once
// The connection under the PulseAudio mixer back-end: a context carrying this
// program's properties on a pa_glib_mainloop over GLib's default main
// context, the count of requests the server has not answered yet, and the
// waiting for those answers. When the server has gone away, a new context is
// tried at an interval until one is ready.
//
// Every callback runs on the thread that runs GLib's default main context:
// the user-interface thread under Qt's GLib event dispatcher, or a timer
// that pumps it otherwise.

#include "mixerbackend.h"

#include <pulse/context.h>
#include <pulse/glib-mainloop.h>
#include <pulse/operation.h>

#include <functional>
#include <memory>
#include <string>

class QTimer;

class PulseConnection final {
public:
    using StateHandler = std::function<void(pa_context_state_t)>;

    // `stateChanged` runs on every state change of the context (once the
    // context is gone, nothing more will answer: the count is cleared
    // first); `reconnecting` runs before each new context after a loss.
    PulseConnection(std::string processId, StateHandler stateChanged, std::function<void()> reconnecting);
    ~PulseConnection();

    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Makes a context that starts connecting (and the main loop, the first
    // time); false when that failed, failure() then says why.
    bool connect();
    // Disconnects and forgets the context; pending requests are cancelled
    // and their callbacks are not called.
    void drop();
    // Pumps GLib's main context from a timer where Qt's event dispatcher
    // does not run it.
    void pumpWithoutGlibDispatcher();
    // Tries a new context every `intervalMs` until one is ready; an attempt
    // still under way is given its time.
    void reconnectEvery(int intervalMs);

    pa_context* context() const { return m_context; }
    bool ready() const;
    // Counts a request whose callback will report its end; false when the
    // request could not be sent.
    bool track(pa_operation* operation);
    // A counted request has ended.
    void operationDone();
    int pendingOperations() const { return m_pendingOperations; }
    // Runs the main context until done() or the time is up or the
    // connection has failed; returns done().
    bool waitFor(const std::function<bool()>& done, int timeoutMs);
    // Why the context failed.
    MixerResult failure() const;

private:
    static void onState(pa_context* context, void* self);
    void reconnect();

    std::string m_processId;
    StateHandler m_stateChanged;
    std::function<void()> m_reconnecting;
    pa_glib_mainloop* m_mainloop = nullptr;
    pa_context* m_context = nullptr;
    int m_pendingOperations = 0;
    std::unique_ptr<QTimer> m_pump;
    std::unique_ptr<QTimer> m_reconnect;
};
