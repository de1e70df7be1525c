#pragma once
// Gives a control its place in its window, in the layouts' pixel coordinates.
namespace veldo {

template <typename Control>
Control* Place(Control* control, int left, int top, int width, int height) {
    control->setGeometry(left, top, width, height);
    return control;
}

} // namespace veldo
