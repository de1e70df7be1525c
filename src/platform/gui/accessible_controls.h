#pragma once
// How assistive technology (a screen reader, over AT-SPI) sees the controls Qt does not know:
// the borderless windows are windows, picture boxes and the drawing panel are pictures, the
// shape frame groups what it holds, the skinned progress bar is a progress bar with its value,
// and a value label offers its value as text beside its name. Their names come from
// setAccessibleName. UI thread only.

namespace veldo {

// Installs the accessibility factory for these controls; later calls do nothing. Call it
// before a window is shown: Qt keeps the first accessible interface it made for a control.
void InstallAccessibleControls();

} // namespace veldo
