// brevant-sim: a simulated audio processor on a pseudo-terminal, for trying
// and testing the program without hardware; or, with --make-firmware, a
// writer of firmware images for the upgrade path.
#include "programs/sim/DeviceModel.h"
#include "programs/sim/DeviceSession.h"
#include "programs/sim/Faults.h"
#include "programs/sim/PortLink.h"
#include "programs/sim/PseudoTerminal.h"
#include "programs/sim/PtyServer.h"
#include "programs/sim/SimFirmwareImage.h"
#include "programs/sim/SimOptions.h"
#include "programs/sim/StateFile.h"

#include <csignal>
#include <exception>
#include <iostream>

using namespace brevant::sim;

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void RequestStop(int)
{
    g_stopRequested = 1;
}

void InstallStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a pending wait returns at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int MakeFirmware(const SimOptions& options)
{
    const auto image =
        FirmwareImage::Generate(*options.firmwareVersion, *options.firmwareWords, options.seed);
    image.WriteFile(options.makeFirmware);
    std::cout << "brevant-sim: wrote " << options.makeFirmware.string() << " (version " << image.Version()
              << ", " << image.data().size() << " data words)" << std::endl;
    return 0;
}

DeviceSettings InitialSettings(const SimOptions& options)
{
    DeviceSettings settings;
    if (!options.stateFile.empty()) {
        auto loaded = StateFile(options.stateFile).Load();
        if (loaded.status == StateFile::Status::Broken)
            std::cerr << "brevant-sim: ignoring " << options.stateFile.string() << " (" << loaded.error
                      << "), starting from factory settings" << std::endl;
        settings = loaded.settings;
    }
    if (options.firmwareVersion)
        settings.SetFirmwareVersion(*options.firmwareVersion);
    return settings;
}

int Serve(const SimOptions& options)
{
    DeviceOptions device;
    device.model = options.model;
    device.unknownModel = options.unknownModel;
    device.seed = options.seed;
    device.stateFile = options.stateFile;
    DeviceModel model(device, InitialSettings(options));
    Faults faults(options.faults, options.seed);
    DeviceSession session(model, faults, options.silent);

    InstallStopHandlers();
    PseudoTerminal terminal;
    PortLink link(options.portsDir, options.comNumber, terminal.SlavePath());
    std::cout << "brevant-sim: COM" << options.comNumber << " -> " << terminal.SlavePath() << " model "
              << model.ReportedModel() << std::endl;

    PtyServer server(terminal.MasterFd(), session, options.paced);
    server.Run(g_stopRequested);
    if (options.keepOnExit) {
        std::string error;
        if (!StateFile(options.stateFile).Save(model.Settings(), &error)) {
            std::cerr << "brevant-sim: keeping the settings failed: " << error << std::endl;
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    try {
        options = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::cerr << "brevant-sim: " << e.what() << '\n' << SimUsage();
        return 2;
    }
    if (options.help) {
        std::cout << SimUsage();
        return 0;
    }
    try {
        return options.makeFirmware.empty() ? Serve(options) : MakeFirmware(options);
    } catch (const std::exception& e) {
        std::cerr << "brevant-sim: " << e.what() << std::endl;
        return 1;
    }
}
