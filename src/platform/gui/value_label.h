#pragma once
// A label that shows a value, such as a time. Its accessible name says what the value is
// (setAccessibleName), and assistive technology reads the value as its text
// (platform/gui/accessible_controls.h). UI thread only.
#include <QLabel>

namespace veldo {

class ValueLabel : public QLabel {
    Q_OBJECT
  public:
    // Without a text: a text set in QLabel's constructor would be announced, and the label's
    // accessible side fixed, before the object is a ValueLabel.
    explicit ValueLabel(QWidget* parent);
};

} // namespace veldo
