#include "platform/gui/value_label.h"

#include "platform/gui/accessible_controls.h"
#include "platform/gui/ui_thread.h"

namespace veldo {

ValueLabel::ValueLabel(QWidget* parent) : QLabel(parent) {
    VELDO_ASSERT_UI_THREAD();
    InstallAccessibleControls();
}

} // namespace veldo
