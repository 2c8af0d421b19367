#include "programs/brevant/LostBanner.h"

namespace brevant {

LostBanner::LostBanner(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("lostBanner"));
    // Amber like a warning light, dark text, so it reads at a glance over
    // the dark form below it.
    setStyleSheet(QStringLiteral("QLabel#lostBanner { background: #f2c14e; color: #1e1e1e; "
                                 "padding: 6px 12px; font-weight: bold; }"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    hide();
}

void LostBanner::ShowLost(const QString& port)
{
    if (port.isEmpty()) {
        hide();
        return;
    }
    setText(tr("Device lost on %1 \u2014 looking for it again\u2026").arg(port));
    show();
}

}  // namespace brevant
