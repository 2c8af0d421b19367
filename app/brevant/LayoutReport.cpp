#include "LayoutReport.h"

#include "CBitmapFader.h"
#include "CChannelPane.h"
#include "CCorvaneView.h"
#include "CInputChannelWnd.h"
#include "CInputLevelDlg.h"
#include "CMainFrame.h"
#include "CMatrixDlg.h"
#include "COutputChannelWnd.h"
#include "COutputLevelDlg.h"
#include "CRoundSliderCtrl.h"

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
