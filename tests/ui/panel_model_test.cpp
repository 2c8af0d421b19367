// The panel model's coalescing: what a reset leaves to be shown.
#include "ui/panels/PanelModel.h"

#include <gtest/gtest.h>

namespace brevant::test {
namespace {

TEST(PanelModelTest, AResetDropsTheReadBackNotYetShown)
{
    PanelModel model;
    unsigned told = 0;
    QObject::connect(&model, &PanelModel::changed, [&](unsigned what) { told |= what; });
    DeviceParams params;
    params.MG[1] = 5;
    model.StartConnection(1);
    model.Flush();
    model.TakeReadBack(params, 1);
    model.Reset(1);
    told = 0;
    model.Flush();
    EXPECT_EQ(told & model::kReadBack, 0u);
    EXPECT_NE(told & model::kReset, 0u);
    EXPECT_EQ(model.Values().At(Op::MG, 1), 0);
}

}  // namespace
}  // namespace brevant::test
