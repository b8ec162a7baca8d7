#pragma once
// Lets pending window messages run during a long line-by-line operation, so
// the program stays responsive and a progress window's Cancel is seen at the
// next line. Processing messages after every one of tens of thousands of
// lines would cost more than the work itself, so it runs at most every
// kIntervalMs (and always on the first call).

#include <QCoreApplication>
#include <QElapsedTimer>

class TProgressPump
{
public:
    static constexpr int kIntervalMs = 15;

    // Time to let messages run (the caller refreshes its progress window, then Run()).
    bool Due() const { return !m_timer.isValid() || m_timer.elapsed() >= kIntervalMs; }
    void Run()
    {
        QCoreApplication::processEvents();
        m_timer.start();
    }

private:
    QElapsedTimer m_timer;
};
