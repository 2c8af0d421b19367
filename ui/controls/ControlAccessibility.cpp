#include "ui/controls/ControlAccessibility.h"

#include "ui/controls/DrawnSlider.h"
#include "ui/controls/ImageCheckButton.h"
#include "ui/controls/LevelMeter.h"
#include "ui/controls/RoundKnob.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QVariant>

#include <algorithm>

namespace brevant {

namespace {

// A caption as it reads: "&&" is an ampersand, a single "&" only marks the
// underlined letter.
QString WithoutMnemonic(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

class SliderInterface : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    SliderInterface(DrawnSlider* slider, QAccessible::Role role) : QAccessibleWidget(slider, role) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? Slider().ValueText() : QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return Slider().ReadingAt(Slider().value()); }
    // Assistive technology may hand over a fraction; the slider takes whole steps.
    void setCurrentValue(const QVariant& value) override
    {
        Slider().ChooseValue(Slider().PositionFor(qRound(value.toDouble())));
    }
    // A reading may fall as the position rises (a fader's gain does), so the
    // limits are whichever end reads lower and higher.
    QVariant minimumValue() const override { return std::min(AtMinimum(), AtMaximum()); }
    QVariant maximumValue() const override { return std::max(AtMinimum(), AtMaximum()); }
    QVariant minimumStepSize() const override { return Slider().singleStep(); }

private:
    DrawnSlider& Slider() const { return *static_cast<DrawnSlider*>(widget()); }
    int AtMinimum() const { return Slider().ReadingAt(Slider().minimum()); }
    int AtMaximum() const { return Slider().ReadingAt(Slider().maximum()); }
};

class MeterInterface : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit MeterInterface(LevelMeter* meter) : QAccessibleWidget(meter, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? Meter().ValueText() : QAccessibleWidget::text(kind);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        return state;
    }

    QVariant currentValue() const override { return Meter().GetValue() + Meter().DisplayOffset(); }
    // The device sets a meter, never the user.
    void setCurrentValue(const QVariant& /*value*/) override {}
    QVariant minimumValue() const override { return Limit(false); }
    QVariant maximumValue() const override { return Limit(true); }
    QVariant minimumStepSize() const override { return 1; }

private:
    LevelMeter& Meter() const { return *static_cast<LevelMeter*>(widget()); }
    int Limit(bool upper) const
    {
        int lower = 0;
        int higher = 0;
        Meter().GetLimits(lower, higher);
        const int end = upper ? std::max(lower, higher) : std::min(lower, higher);
        return end + Meter().DisplayOffset();
    }
};

class CheckInterface : public QAccessibleWidget {
public:
    explicit CheckInterface(ImageCheckButton* check) : QAccessibleWidget(check, QAccessible::CheckBox) {}

    QString text(QAccessible::Text kind) const override
    {
        QString given = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && given.isEmpty())
            return WithoutMnemonic(Check().text());
        return given;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Check().isChecked();
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList(toggleAction()) + QAccessibleWidget::actionNames();
    }
    // Toggling is a click: the owner hears clicked() and sends the new state.
    void doAction(const QString& action) override
    {
        if (action == toggleAction() || action == pressAction()) {
            if (Check().isEnabled())
                Check().click();
            return;
        }
        QAccessibleWidget::doAction(action);
    }

private:
    ImageCheckButton& Check() const { return *static_cast<ImageCheckButton*>(widget()); }
};

// Qt asks for each class of the object's ancestry, most derived first; the
// first answer wins, so the object itself decides.
QAccessibleInterface* MakeInterface(const QString& /*className*/, QObject* object)
{
    if (auto* knob = qobject_cast<RoundKnob*>(object))
        return new SliderInterface(knob, QAccessible::Dial);
    if (auto* slider = qobject_cast<DrawnSlider*>(object))
        return new SliderInterface(slider, QAccessible::Slider);
    if (auto* meter = qobject_cast<LevelMeter*>(object))
        return new MeterInterface(meter);
    if (auto* check = qobject_cast<ImageCheckButton*>(object))
        return new CheckInterface(check);
    return nullptr;
}

}  // namespace

void InstallControlAccessibility()
{
    static bool installed = false;
    if (installed)
        return;
    QAccessible::installFactory(&MakeInterface);
    installed = true;
}

}  // namespace brevant
