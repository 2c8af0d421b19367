#include "programs/brevant/LayoutReport.h"

#include "ui/controls/CBitmapFader.h"
#include "ui/panels/CChannelPane.h"
#include "ui/form/CCorvaneView.h"
#include "ui/skin/CInputChannelWnd.h"
#include "ui/panels/CInputLevelDlg.h"
#include "programs/brevant/CMainFrame.h"
#include "ui/panels/CMatrixDlg.h"
#include "ui/skin/COutputChannelWnd.h"
#include "ui/panels/COutputLevelDlg.h"
#include "ui/controls/CRoundSliderCtrl.h"

#include <QLineEdit>

namespace brevant {

QString LayoutReport(CMainFrame& frame)
{
    CCorvaneView& form = frame.View();
    ZoomedForm& zoomed = frame.Zoomed();
    QString report;
    const auto line = [&](const char* name, QWidget& control, QPoint local) {
        const QPoint at = zoomed.GlobalPos(control, local);
        report += QStringLiteral("%1 %2 %3\n").arg(QLatin1String(name)).arg(at.x()).arg(at.y());
    };
    CBitmapFader& fader = form.InputWindow(0).FirstPane()->InputLevel()->Strip().Fader();
    line("input1-fader", fader, QPoint(fader.width() / 2, fader.ThumbCentre()));
    QLineEdit& delay = form.OutputWindow(2).FirstPane()->OutputLevel()->DelayEdit();
    line("output3-delay", delay, delay.rect().center());
    CRoundSliderCtrl& knob = *form.Matrix().Knob(2, 3);
    line("knob-2-3", knob, knob.KnobCentre());
    return report;
}

}  // namespace brevant
