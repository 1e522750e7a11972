#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace tl::testing {

// Runs `answer` on the next modal window of type T once the event loop shows it, as a user would;
// deleting the returned poll stops waiting for one.
template <class T> QPointer<QTimer> answerNext(std::function<void(T&)> answer)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer = std::move(answer)] {
        auto* window = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!window) return;
        poll->stop();
        poll->deleteLater();
        answer(*window);
    });
    poll->start();
    return poll;
}

} // namespace tl::testing
