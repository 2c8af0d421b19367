// The gallery's pictures of the protocol trace dock: a connect read-back
// followed by meter polling, shown whole and with the polling hidden.
#include "core/ProtocolTrace.h"
#include "programs/gallery/GalleryScenes.h"
#include "ui/views/TraceView.h"

#include <chrono>
#include <string>

namespace brevant::gallery {

namespace {

// The trace view with a trace of its own, which must outlive the view: the
// view lets go of the trace's observer when it is destroyed.
class TraceStage : public QWidget {
public:
    TraceStage(bool hidePolling, QWidget* parent) : QWidget(parent), view_(new TraceView(trace_, this))
    {
        Fill();
        view_->Refresh();
        view_->SetHidePolling(hidePolling);
        view_->setGeometry(0, 0, 460, 220);
        setFixedSize(460, 220);
    }
    ~TraceStage() override { delete view_; }

    TraceStage(const TraceStage&) = delete;
    TraceStage& operator=(const TraceStage&) = delete;

private:
    // A fixed time, so the pictures are the same on every run.
    void Fill()
    {
        auto at = std::chrono::system_clock::time_point(std::chrono::hours(24 * 20000 + 9));
        const auto step = [&at](int ms) { return at += std::chrono::milliseconds(ms); };
        for (int k = 1; k <= 4; ++k) {
            trace_.Record(step(12), 3, TraceDirection::Sent, "MG" + std::to_string(k) + "r\r\n");
            trace_.Record(step(9), 3, TraceDirection::Received, "MG" + std::to_string(k) + "-12\r\n");
            trace_.Record(step(12), 3, TraceDirection::Sent, "ML" + std::to_string(k) + "r\r\n");
            trace_.Record(step(9), 3, TraceDirection::Received, "ML" + std::to_string(k) + "-40\r\n");
        }
        trace_.Record(step(30), 3, TraceDirection::Sent, "MR21\r\n");
        trace_.Record(step(9), 3, TraceDirection::Received, "MR21\r\n");
    }

    ProtocolTrace trace_;
    TraceView* view_;
};

}  // namespace

void AddTraceScenes(std::vector<Scene>& scenes)
{
    for (const bool hide : {false, true}) {
        scenes.push_back(
            Scene{hide ? QStringLiteral("trace-polling-hidden") : QStringLiteral("trace"),
                  QStringLiteral("Protocol trace"),
                  hide ? QStringLiteral("meter polling hidden") : QStringLiteral("read-back and polling"),
                  [hide](QWidget* parent) {
                      return Stage{new TraceStage(hide, parent), nullptr};
                  }});
    }
}

}  // namespace brevant::gallery
