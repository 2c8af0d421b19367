// The cost on the UI thread of keeping the meters live: every pane of both
// families in one shown window, fed by a real connection to the paced
// simulator, for a few seconds of polling. Prints the UI thread's CPU time
// as a share of one core, the polling passes that reached the panels and
// how often the meters redrew.
//
// Usage: meter_ui_bench [seconds, default 5]   (runs on the offscreen platform)
#include "core/PosixSerialPort.h"
#include "procedures/Connection.h"
#include "tests/SimProcess.h"
#include "ui/panels/ChannelPane.h"
#include "ui/panels/InputLevelPanel.h"
#include "ui/panels/OutputLevelPanel.h"
#include "ui/panels/PanelRefresher.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

using namespace brevant;

namespace {

double ThreadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;

    test::SimProcess sim({"--model", "K217"}, 3);
    if (!sim.Started()) {
        std::fprintf(stderr, "simulator did not start: %s\n", sim.ReadyLine().c_str());
        return 1;
    }
    PosixSerialPort serial(PortMap::Directory(sim.PortsDir()));
    DeviceState state;
    DeviceLink link(serial, state);
    state.flags.PortNumber = 3;
    CommandQueue queue(state.flags);
    PanelContext context(link, queue, [](const QString&) {});
    PanelRefresher refresher(context, state.params);

    QWidget window;
    auto* row = new QHBoxLayout(&window);
    std::vector<ChannelPane*> panes;
    for (int kind = 1; kind <= 4; ++kind) {
        for (int k = 0; k < kChannels; ++k) {
            auto* pane = new ChannelPane(context, kind, k, 1, &window);
            pane->setFixedSize(110, 500);
            row->addWidget(pane);
            panes.push_back(pane);
        }
    }
    window.show();

    Connection connection(link, refresher);
    if (!connection.Connect([](std::string_view text, std::string_view) {
            std::fprintf(stderr, "%.*s\n", int(text.size()), text.data());
        }))
        return 1;
    // The read-back first; the measurement covers the polling only.
    QElapsedTimer waited;
    waited.start();
    while (connection.PollPasses() < 1 && waited.elapsed() < 20'000)
        app.processEvents(QEventLoop::AllEvents, 10);

    const auto meterRenders = [&] {
        long renders = 0;
        for (ChannelPane* pane : panes) {
            if (pane->InputLevel())
                renders += pane->InputLevel()->Strip().Meter().RenderCount() +
                           pane->InputLevel()->Erle().RenderCount() + pane->InputLevel()->Erl().RenderCount();
            if (pane->OutputLevel())
                renders += pane->OutputLevel()->Strip().Meter().RenderCount();
        }
        return renders;
    };
    const int passesBefore = refresher.PollPassesApplied();
    const int workerPassesBefore = connection.PollPasses();
    const long rendersBefore = meterRenders();
    const double cpuBefore = ThreadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(int(seconds * 1000), &app, &QApplication::quit);
    app.exec();
    const double cpu = ThreadCpuSeconds() - cpuBefore;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    connection.Disconnect();

    const int workerPasses = connection.PollPasses() - workerPassesBefore;
    std::printf("meters on the UI thread, family 2, all 16 panes shown, %.1f s of polling\n", elapsed);
    std::printf("  polling passes read %d (%.1f/s), applied to the panels %d\n", workerPasses,
                workerPasses / elapsed, refresher.PollPassesApplied() - passesBefore);
    std::printf("  meter redraws %ld\n", meterRenders() - rendersBefore);
    std::printf("  UI thread CPU %.3f s = %.2f %% of one core (target < 3 %%)\n", cpu, 100.0 * cpu / elapsed);
    return 0;
}
