#include "platform/qt/EventLoop.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace tl {

void postToMainThread(std::function<void()> work)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(work), Qt::QueuedConnection);
}

UndoManager::EventEndScheduler qtEventEndScheduler()
{
    return [](std::function<void()> closeGroup) { postToMainThread(std::move(closeGroup)); };
}

}  // namespace tl
