#pragma once
// The search box 编辑框1 inside the frame 外形框1. UI thread.
#include <QPoint>
#include <Qt>

#include "site/site_hosts.h"
#include "text/text_types.h"

namespace veldo {

// The box's first content: a sound page address with the placeholder xxxx for the id.
inline const Text searchHint = Text("http://") + kPageHost + "/sound/xxxx";

// Mouse press in 编辑框1: highlights the frame and removes the hint (exact bytes only).
void OnSearchBoxPressed(QPoint position, Qt::KeyboardModifiers modifiers);

} // namespace veldo
