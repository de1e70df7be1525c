#pragma once
// The colours of the design.
#include <QColor>

namespace veldo {

inline const QColor kAccentColor(128, 224, 0);
inline const QColor kIdleOutlineColor(192, 192, 192);

} // namespace veldo
