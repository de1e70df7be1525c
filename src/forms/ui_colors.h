#pragma once
// The colours both windows share: the green accent and the idle grey of the search frame.
#include <QColor>

namespace veldo {

inline const QColor kAccentColor(128, 224, 0);
inline const QColor kIdleOutlineColor(192, 192, 192);

} // namespace veldo
