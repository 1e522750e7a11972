#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace tl::bench {

// Runs the event loop until `done`, returning the longest gap in milliseconds between two 5 ms
// ticks: the longest time the GUI thread could not answer.
inline qint64 longestStallUntil(const std::function<bool()>& done)
{
    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 longest = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    ticker.start(5);
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return std::max(longest, sinceTick.elapsed());
}

} // namespace tl::bench
