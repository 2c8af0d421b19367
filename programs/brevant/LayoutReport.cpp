#include "programs/brevant/LayoutReport.h"

#include "programs/brevant/MainWindow.h"
#include "ui/controls/BitmapFader.h"
#include "ui/controls/FormZoom.h"
#include "ui/controls/RoundKnob.h"
#include "ui/form/MainForm.h"
#include "ui/panels/ChannelPane.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/MatrixDialog.h"
#include "ui/panels/OutputLevelPanel.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"

#include <QLineEdit>

#include <tuple>

namespace brevant {

QString LayoutReport(MainWindow& frame)
{
    MainForm& form = frame.View();
    ZoomedForm& zoomed = frame.Zoomed();
    QString report;
    // "name x y", and for a control that shows a value " value" (an empty
    // value reads "-").
    const auto line = [&](const char* name, QWidget& control, QPoint local, const QString& value = {}) {
        const QPoint at = zoomed.GlobalPos(control, local);
        report += QStringLiteral("%1 %2 %3").arg(QLatin1String(name)).arg(at.x()).arg(at.y());
        if (!value.isNull())
            report += QLatin1Char(' ') + (value.isEmpty() ? QStringLiteral("-") : value);
        report += QLatin1Char('\n');
    };
    const auto fader = [&](const char* name, LevelPanel& panel) {
        BitmapFader& f = panel.Strip().Fader();
        line(name, f, QPoint(f.width() / 2, zoom::Scaled(f.ThumbCentre(), zoom::Of(f))),
             panel.Strip().Label().text());
    };
    fader("input1-fader", *form.InputWindow(0).FirstPane()->InputLevel());
    fader("input2-fader", *form.InputWindow(1).FirstPane()->InputLevel());
    fader("output1-fader", *form.OutputWindow(0).FirstPane()->OutputLevel());
    OutputLevelPanel& output3 = *form.OutputWindow(2).FirstPane()->OutputLevel();
    line("output3-delay", output3.DelayEdit(), output3.DelayEdit().rect().center(),
         output3.DelayEdit().text());
    line("output3-lowpass", output3.LowpassEdit(), output3.LowpassEdit().rect().center(),
         output3.LowpassEdit().text());
    for (const auto& [name, input, output] : {std::tuple{"knob-2-3", 2, 3}, std::tuple{"knob-1-1", 1, 1}}) {
        RoundKnob& knob = *form.Matrix().Knob(input, output);
        line(name, knob, (QPointF(knob.KnobCentre()) * zoom::Of(knob)).toPoint());
    }
    return report;
}

}  // namespace brevant
