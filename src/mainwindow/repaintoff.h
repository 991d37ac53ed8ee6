#pragma once
// Suspends the repainting of a widget while many rows change, and turns it
// back on on every way out.

#include <QWidget>

class RepaintOff final {
public:
    explicit RepaintOff(QWidget& w)
        : m_widget(w)
    {
        m_widget.setUpdatesEnabled(false);
    }
    ~RepaintOff() { m_widget.setUpdatesEnabled(true); }
    RepaintOff(const RepaintOff&) = delete;
    RepaintOff& operator=(const RepaintOff&) = delete;

private:
    QWidget& m_widget;
};
