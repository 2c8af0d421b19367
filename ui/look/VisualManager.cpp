#include "ui/look/VisualManager.h"

#include <QApplication>
#include <QColor>
#include <QStyle>
#include <QStyleFactory>
#include <QVariant>

namespace brevant {

namespace {

// Where the current look and shade are kept on the QApplication.
constexpr char kLookProperty[] = "brevantLook";
constexpr char kShadeProperty[] = "brevantShade";

// The colours a look is made of; the bevel shades are worked out from the
// button colour.
struct LookColours {
    QRgb window;
    QRgb button;
    QRgb base;
    QRgb alternateBase;
    QRgb text;
    QRgb disabledText;
    QRgb highlight;
    QRgb link;
    QRgb toolTipBase;
};

// 2003: light blue-grey surfaces with a strong blue for selections.
// 2007: silver surfaces with a softer blue. The dark shades are the greys of
// a mixing desk with the same blue accent as their light counterpart.
LookColours ColoursFor(VisualManager::Look look, VisualManager::Shade shade)
{
    const bool dark = shade == VisualManager::Shade::Dark;
    if (look == VisualManager::Look::Classic2003) {
        if (dark)
            return {0xFF2A2E35, 0xFF353A42, 0xFF1D2026, 0xFF252930, 0xFFE3E7ED,
                    0xFF6B727D, 0xFF316AC5, 0xFF7AA7EE, 0xFF353A42};
        return {0xFFD3DCEB, 0xFFE1E8F4, 0xFFFFFFFF, 0xFFEEF2F8, 0xFF14181E,
                0xFF8A94A3, 0xFF316AC5, 0xFF1F4FA8, 0xFFF4F7FB};
    }
    if (dark)
        return {0xFF2D2F32, 0xFF393C40, 0xFF1F2022, 0xFF28292C, 0xFFE6E7E9,
                0xFF6E7378, 0xFF4F81BD, 0xFF8DB3E2, 0xFF393C40};
    return {0xFFE3E6EA, 0xFFEDEFF2, 0xFFFFFFFF, 0xFFF2F4F7, 0xFF1E2328,
            0xFF8E949B, 0xFF4F81BD, 0xFF2F64A8, 0xFFF7F8FA};
}

}  // namespace

QPalette VisualManager::PaletteFor(Look look, Shade shade)
{
    const LookColours c = ColoursFor(look, shade);
    const bool dark = shade == Shade::Dark;
    const QColor button(c.button);
    const QColor text(c.text);

    QPalette p;
    // Active and inactive windows look the same; setColor(role, colour)
    // sets every group, and the disabled one is adjusted below.
    p.setColor(QPalette::Window, QColor(c.window));
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, QColor(c.base));
    p.setColor(QPalette::AlternateBase, QColor(c.alternateBase));
    p.setColor(QPalette::ToolTipBase, QColor(c.toolTipBase));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(c.disabledText));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, dark ? QColor(0xFFFF6B6B) : QColor(0xFFD01818));
    p.setColor(QPalette::Light, dark ? button.lighter(135) : QColor(0xFFFFFFFF));
    p.setColor(QPalette::Midlight, dark ? button.lighter(115) : button.lighter(105));
    p.setColor(QPalette::Mid, dark ? button.darker(130) : button.darker(125));
    p.setColor(QPalette::Dark, dark ? button.darker(170) : button.darker(160));
    p.setColor(QPalette::Shadow, dark ? QColor(0xFF0A0B0D) : button.darker(260));
    p.setColor(QPalette::Highlight, QColor(c.highlight));
    p.setColor(QPalette::HighlightedText, QColor(0xFFFFFFFF));
    p.setColor(QPalette::Link, QColor(c.link));
    p.setColor(QPalette::LinkVisited, QColor(c.link).darker(dark ? 80 : 130));

    const QColor disabled(c.disabledText);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, disabled);
    p.setColor(QPalette::Disabled, QPalette::Highlight, button.darker(dark ? 80 : 120));
    p.setColor(QPalette::Disabled, QPalette::HighlightedText, disabled);
    return p;
}

void VisualManager::SetDefault(Look look, Shade shade)
{
    // Replacing the style makes every widget re-polish, so it is done only
    // the first time; the palette goes after it because a new style brings
    // its own.
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(PaletteFor(look, shade));
    qApp->setProperty(kLookProperty, static_cast<int>(look));
    qApp->setProperty(kShadeProperty, static_cast<int>(shade));
}

void VisualManager::SetByNumber(int lookNumber)
{
    if (lookNumber == kModern2007LightCommand)
        SetDefault(Look::Modern2007, Shade::Light);
}

VisualManager::Look VisualManager::CurrentLook()
{
    const QCoreApplication* app = QCoreApplication::instance();
    const QVariant value = app ? app->property(kLookProperty) : QVariant();
    return value.isValid() ? static_cast<Look>(value.toInt()) : Look::Classic2003;
}

VisualManager::Shade VisualManager::CurrentShade()
{
    const QCoreApplication* app = QCoreApplication::instance();
    const QVariant value = app ? app->property(kShadeProperty) : QVariant();
    return value.isValid() ? static_cast<Shade>(value.toInt()) : Shade::Light;
}

}  // namespace brevant
