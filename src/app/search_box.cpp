#include "app/search_box.h"

#include "app/main_window.h"
#include "forms/ui_colors.h"
#include "platform/gui/control_ops.h"
#include "state/program_state.h"

namespace veldo {

void OnSearchBoxPressed(QPoint, Qt::KeyboardModifiers) {
    SetOutlineColor(mainWindow->外形框1, kAccentColor);
    if (GetEditText(mainWindow->编辑框1) == searchHint) SetEditText(mainWindow->编辑框1, Text());
}

} // namespace veldo
