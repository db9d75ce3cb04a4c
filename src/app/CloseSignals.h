#pragma once

// SIGTERM, SIGINT and SIGHUP (a kill, Ctrl+C in a terminal, a logout without a session
// manager) close the program the way its close button does, so that the settings are saved.
// The handlers only write a byte into a pipe, which the event loop reads; a second signal of
// the same kind ends the program at once, as it would have without us. A signal that the
// program inherited as ignored is left ignored.

#include <QObject>

#include <vector>

class CloseSignals : public QObject
{
    Q_OBJECT

public:
    explicit CloseSignals(QObject *parent = nullptr);
    // The signals it handled get their default actions back.
    ~CloseSignals() override;

signals:
    // Once, for the first of the signals that arrives.
    void closeRequested();

private:
    bool m_requested = false;
    std::vector<int> m_handled;
};
