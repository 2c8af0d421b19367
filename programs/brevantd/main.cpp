// brevantd: serves the audio processors named in its configuration to room
// controllers, scripts and other programs (see brevantd(8)).
#include "programs/brevantd/Signals.h"
#include "service/Service.h"
#include "service/parse/ServiceConfig.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifndef BREVANT_VERSION
#error "BREVANT_VERSION must name the program's version"
#endif

namespace {

using namespace brevant;
using namespace brevant::service;

constexpr const char* kDefaultConfig = "/etc/brevant/brevantd.conf";

constexpr const char* kUsage =
    "usage: brevantd [--config FILE] [--listen HOST:PORT] [--device ID=ADDRESS[,share=PORT]]...\n"
    "       brevantd --check-config [--config FILE] [...]\n"
    "       brevantd --help | --version\n"
    "\n"
    "Serves the audio processors of FILE (default /etc/brevant/brevantd.conf; with\n"
    "--device and no --config, only those given) through an HTTP API under /api/v1.\n"
    "  --config FILE        the configuration (JSON; see brevantd(8))\n"
    "  --listen HOST:PORT   where the API listens (default 127.0.0.1:8480)\n"
    "  --device ID=ADDRESS  a device: COMn, a device path, tcp://HOST:PORT,\n"
    "                       rfc2217://HOST:PORT or virtual (the bundled simulator);\n"
    "                       ,share=PORT also serves its line protocol on PORT\n"
    "  --check-config       check the configuration (it must name a device), print\n"
    "                       what is wrong and end\n"
    "SIGHUP reads the configuration file again; SIGTERM ends the service.\n"
    "Exit status: 0 done, 1 a configuration or start that failed, 2 wrong usage.\n";

void Log(const std::string& line)
{
    std::cerr << line << std::endl;
}

struct Options {
    std::string configFile;  // empty: none
    bool check = false;
    std::vector<std::string> rest;  // --listen and --device, for the configuration
};

// Splits off the options the program itself takes; 2 for wrong usage, 0 to
// end at once (help, version), -1 to go on.
int ReadOptions(const std::vector<std::string>& args, Options& options)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "brevantd " << BREVANT_VERSION << '\n';
            return 0;
        }
        if (arg == "--check-config") {
            options.check = true;
        } else if (arg == "--config" && i + 1 < args.size()) {
            options.configFile = args[++i];
        } else if (arg.rfind("--config=", 0) == 0) {
            options.configFile = arg.substr(9);
        } else {
            options.rest.push_back(arg);
        }
    }
    if (options.configFile.empty()) {
        bool devices = false;
        for (const std::string& arg : options.rest)
            devices = devices || arg.rfind("--device", 0) == 0;
        if (!devices)
            options.configFile = kDefaultConfig;
    }
    return -1;
}

// The configuration the options give, checked; empty with the reasons printed.
std::optional<ServiceConfig> Load(const Options& options, bool quietWarnings)
{
    ServiceConfig base;
    if (!options.configFile.empty()) {
        ConfigResult file = ReadServiceConfig(options.configFile);
        if (!file.config) {
            Log(file.error);
            return std::nullopt;
        }
        base = *file.config;
    }
    ConfigResult all = ApplyServiceArgs(options.rest, base);
    if (!all.config) {
        Log(all.error);
        return std::nullopt;
    }
    const ConfigCheck check = CheckServiceConfig(*all.config);
    for (const std::string& error : check.errors)
        Log("error: " + error);
    if (!quietWarnings) {
        for (const std::string& warning : check.warnings)
            Log("warning: " + warning);
    }
    if (!check.errors.empty())
        return std::nullopt;
    return all.config;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    if (const int early = ReadOptions(args, options); early >= 0)
        return early;
    if (options.check) {
        const auto config = Load(options, false);
        // The unit runs this before the service: one that names no device
        // stays off until the installer has named one.
        if (config && config->devices.empty()) {
            Log("error: the configuration names no device: there is nothing to serve");
            return 1;
        }
        if (config)
            std::cout << "configuration OK: " << config->devices.size() << " device(s), API on "
                      << config->listen.Text() << '\n';
        return config ? 0 : 1;
    }
    const auto config = Load(options, false);
    if (!config)
        return 1;

    QCoreApplication app(argc, argv);
    Signals handlers;
    Service service(*config, Log);
    std::string error;
    if (!handlers.Installed() || !service.Start(&error)) {
        Log(error.empty() ? "cannot take the signals" : error);
        return 1;
    }
    Log("brevantd " + std::string(BREVANT_VERSION) + ": API on " + config->listen.host + ":" +
        std::to_string(service.ApiPort()) + ", " + std::to_string(config->devices.size()) + " device(s)");
    NotifySystemd("READY=1");
    QObject::connect(&handlers, &Signals::terminate, &app, [&] {
        NotifySystemd("STOPPING=1");
        service.Stop();
        app.quit();
    });
    QObject::connect(&handlers, &Signals::reload, &app, [&] {
        NotifySystemd("RELOADING=1");
        if (const auto again = Load(options, false)) {
            service.Reload(*again);
            Log("configuration read again: " + std::to_string(again->devices.size()) + " device(s)");
        } else {
            Log("configuration not changed: the new one is refused");
        }
        NotifySystemd("READY=1");
    });
    return app.exec();
}
