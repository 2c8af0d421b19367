// Laid-out texts for numbers drawn many times a second (meter readings): the
// layout of each text is made once and kept, for one font at a time. A
// control keeps one store; it holds at most a few hundred texts and starts
// afresh when full or when the font changes.
//
// UI thread only.
#pragma once

#include <QFont>
#include <QHash>
#include <QStaticText>
#include <QString>

namespace brevant {

class LaidOutTexts {
public:
    const QStaticText& Get(const QString& text, const QFont& font);

private:
    QFont font_;
    QHash<QString, QStaticText> texts_;
};

}  // namespace brevant
