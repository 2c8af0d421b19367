#include "programs/gallery/GalleryRig.h"

#include "ui/panels/PanelModel.h"

namespace brevant::gallery {

GalleryRig::GalleryRig(ModelFamily family, QObject* parent)
    : QObject(parent), port_(PortMap::Directory("/nonexistent")), link_(port_, state_), queue_(state_.flags),
      context_(link_, queue_, [](const QString&) {})
{
    state_.params.DeviceFamily = FamilyNumber(family);
    FillSample();
}

void GalleryRig::FillSample()
{
    DeviceParams& p = state_.params;
    const int gains[] = {0, 12, 30, 6, -1};
    const int levels[] = {0, -32, -12, -3, -48};
    const int outputs[] = {0, 0, -6, 4, -12};
    for (int n = 1; n <= kChannels; ++n) {
        p.MG[n] = gains[n];
        p.ML[n] = levels[n];
        p.OV[n] = outputs[n];
        p.OL[n] = levels[5 - n];
        p.ME[n] = 20 + 15 * n;
        p.MS[n] = 70 - 12 * n;
        p.MA[n] = n % 2;
        p.MF[n] = n == 2;
        p.MC[n] = n != 3;
        p.MT[n] = n == 1;
        p.MR[n] = 3 * n;
        p.MRon[n] = n >= 3;
        p.MI[n] = n == 4;
        p.MM[n] = n == 3;
        p.OH[n] = n == 2 ? 80 : 0;
        for (int o = 1; o <= kChannels; ++o) {
            p.MX[n][o] = n == o || (n == 1 && o == 3);
            p.XG[n][o] = n == o ? 0 : -6 * o;
        }
    }
    p.OD[4] = 35;
    p.OF[3] = 8000;
    p.MB = 1;
    p.MP = 2;
    p.SN = 1;
}

GalleryRig::~GalleryRig() = default;

void GalleryRig::Refresh()
{
    // What a connection's read-back and first polling pass bring the panels.
    PanelModel& model = context_.Model();
    const ModelFamily family = ToModelFamily(state_.params.DeviceFamily);
    model.StartConnection(family);
    model.TakeReadBack(state_.params, family);
    model.TakePollPass(state_.params);
    model.Flush();
}

}  // namespace brevant::gallery
