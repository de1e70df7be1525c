#include "platform/gui/picture_resources.h"

#include <QtGlobal>
#include <mutex>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterVeldoResources() {
    Q_INIT_RESOURCE(veldo);
}

namespace veldo {

void EnsurePictureResources() {
    static std::once_flag registered;
    std::call_once(registered, &RegisterVeldoResources);
}

} // namespace veldo
