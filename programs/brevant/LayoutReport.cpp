#include "programs/brevant/LayoutReport.h"

#include "programs/brevant/MainWindow.h"
#include "ui/controls/BitmapFader.h"
#include "ui/controls/RoundKnob.h"
#include "ui/form/MainForm.h"
#include "ui/panels/ChannelPane.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/MatrixDialog.h"
#include "ui/panels/OutputLevelPanel.h"
#include "ui/skin/InputChannelWindow.h"
#include "ui/skin/OutputChannelWindow.h"

#include <QLineEdit>

namespace brevant {

QString LayoutReport(MainWindow& frame)
{
    MainForm& form = frame.View();
    ZoomedForm& zoomed = frame.Zoomed();
    QString report;
    const auto line = [&](const char* name, QWidget& control, QPoint local) {
        const QPoint at = zoomed.GlobalPos(control, local);
        report += QStringLiteral("%1 %2 %3\n").arg(QLatin1String(name)).arg(at.x()).arg(at.y());
    };
    BitmapFader& fader = form.InputWindow(0).FirstPane()->InputLevel()->Strip().Fader();
    line("input1-fader", fader, QPoint(fader.width() / 2, fader.ThumbCentre()));
    QLineEdit& delay = form.OutputWindow(2).FirstPane()->OutputLevel()->DelayEdit();
    line("output3-delay", delay, delay.rect().center());
    RoundKnob& knob = *form.Matrix().Knob(2, 3);
    line("knob-2-3", knob, knob.KnobCentre());
    return report;
}

}  // namespace brevant
