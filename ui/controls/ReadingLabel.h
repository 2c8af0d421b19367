// A label for a number that changes many times a second (a meter's reading).
// It shows its text centred, as a QLabel would, but keeps the laid-out text
// of every number it has shown, so a reading shown before costs no text
// layout again. Everything else (text(), accessibility, fonts, palette) is
// QLabel's.
//
// UI thread only.
#pragma once

#include "ui/controls/LaidOutText.h"

#include <QLabel>

namespace brevant {

class ReadingLabel : public QLabel {
    Q_OBJECT
public:
    explicit ReadingLabel(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LaidOutTexts texts_;
};

}  // namespace brevant
