#include "ui/controls/LaidOutText.h"

namespace brevant {

namespace {

// A meter's range of a hundred numbers and more fits.
constexpr qsizetype kMostTexts = 256;

}  // namespace

const QStaticText& LaidOutTexts::Get(const QString& text, const QFont& font)
{
    if (font != font_ || texts_.size() >= kMostTexts) {
        texts_.clear();
        font_ = font;
    }
    auto found = texts_.constFind(text);
    if (found != texts_.constEnd())
        return *found;
    QStaticText laidOut(text);
    laidOut.setTextFormat(Qt::PlainText);
    laidOut.setPerformanceHint(QStaticText::AggressiveCaching);
    laidOut.prepare(QTransform(), font);
    return *texts_.insert(text, laidOut);
}

}  // namespace brevant
