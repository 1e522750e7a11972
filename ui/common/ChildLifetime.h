#pragma once

#include <QObject>

namespace tl::ui {

// Qt deletes an object's children in ~QObject, after the owner's own members are gone. An owner
// whose children hold references to its members calls this first thing in its destructor.
inline void deleteChildrenFirst(QObject& owner)
{
    while (!owner.children().isEmpty())
        delete owner.children().constFirst();
}

} // namespace tl::ui
