// The service's configuration: a file and a command line into one struct,
// refusals that name the place and the fault, and the check before serving.
#include "service/parse/ServiceConfig.h"

#include "tests/SimProcess.h"

#include <gtest/gtest.h>

namespace brevant::service {
namespace {

TEST(ServiceConfig, AFullFileGivesEveryField)
{
    const ConfigResult result = ParseServiceConfig(R"({
      "listen": "[::1]:9000",
      "tokens": {"read": "r-token", "control": "c-token"},
      "tls": {"certificate": "/etc/c.pem", "key": "/etc/k.pem"},
      "cors": ["https://panel.example"],
      "limits": {"connections": 8, "request_body": 4096, "idle_seconds": 5,
                 "websocket_message": 512, "clients": 3},
      "devices": [{"id": "hall", "address": "com4", "share": 4001},
                  {"id": "stage-2", "address": "rfc2217://gw:4000"},
                  {"id": "usb", "address": "/dev/ttyUSB0"},
                  {"id": "demo", "address": "virtual"}]
    })");
    ASSERT_TRUE(result.config) << result.error;
    const ServiceConfig& c = *result.config;
    EXPECT_EQ(c.listen.Text(), "[::1]:9000");
    EXPECT_TRUE(c.listen.Loopback());
    EXPECT_EQ(c.readToken, "r-token");
    EXPECT_EQ(c.controlToken, "c-token");
    EXPECT_EQ(c.tlsKey, "/etc/k.pem");
    EXPECT_EQ(c.corsOrigins, std::vector<std::string>{"https://panel.example"});
    EXPECT_EQ(c.limits, (ServiceLimits{8, 4096, 5, 512, 3}));
    ASSERT_EQ(c.devices.size(), 4u);
    EXPECT_EQ(c.devices[0].address.Text(), "COM4");
    EXPECT_EQ(c.devices[0].share, 4001);
    EXPECT_EQ(c.devices[1].address.port.kind, PortKind::Rfc2217);
    EXPECT_FALSE(c.devices[1].share);
    EXPECT_EQ(c.devices[2].address.kind, DeviceAddressKind::Path);
    EXPECT_EQ(c.devices[3].address.kind, DeviceAddressKind::Virtual);

    const ConfigResult empty = ParseServiceConfig("{}");
    ASSERT_TRUE(empty.config);
    EXPECT_EQ(empty.config->listen.Text(), "127.0.0.1:8480");
}

TEST(ServiceConfig, RefusalsNameTheLineAndTheFault)
{
    const struct {
        const char* json;
        const char* error;  // the start of the refusal
    } cases[] = {
        {"{\n  \"listen\": 8480\n}", "line 2, column 3: listen: expected a text"},
        {"{\"listen\": \"127.0.0.1:70000\"}", "line 1, column 2: listen: \"127.0.0.1:70000\": the TCP port"},
        {"{\n \"devices\": [\n  {\"id\": \"a\", \"address\": \"virtual\"},\n  {\"id\": \"a\", \"address\": "
         "\"COM2\"}]}",
         "line 4, column 4: devices[1].id: \"a\" is used twice"},
        {"{\"devices\": [{\"id\": \"Hall\", \"address\": \"COM1\"}]}",
         "line 1, column 15: devices[0].id: \"Hall\": an id has only a-z"},
        {"{\"devices\": [{\"id\": \"a\", \"address\": \"ftp://x:1\"}]}",
         "line 1, column 26: devices[0].address: \"ftp://x:1\": the scheme"},
        {"{\"devices\": [{\"id\": \"a\", \"address\": \"COM1\", \"share\": 0}]}",
         "line 1, column 45: devices[0].share: must be from 1 to 65535"},
        {"{\"devices\": [{\"id\": \"a\"}]}", "line 1, column 14: devices[0]: the device has no \"address\""},
        {"{\n\n  \"limits\": {\"clients\": 5, \"sockets\": 1}}",
         "line 3, column 28: limits.sockets: unknown key"},
        {"{\"limits\": {\"clients\": 1.5}}", "line 1, column 13: limits.clients: expected a whole number"},
        {"{\"tokens\": {\"read\": \"a b\"}}", "line 1, column 13: tokens.read: the token holds a space"},
        {"{\"cors\": [\"*\"]}", "line 1, column 11: cors[0]: \"*\": an origin starts with"},
        {"{\"listen\": \"::1:1\", \"listen\": \"x:2\"}", "line 1, column 21: listen: the key is given twice"},
        {"{\n  \"listen\": \"a:1\",\n}", "line 3, column 1: bad JSON: "},
        {"{\"limits\": {\"clients\": 1e999}}",
         "line 1, column 24: bad JSON: the number \"1e999\" is too large"},
        {"[]", "line 1, column 1: the configuration is a JSON object"},
        // Comments may hold anything, quotes and keys too; lines still count.
        {"// \"listen\": 1\n{ /* \"devices\" */\n  \"listen\": 8480 // here\n}",
         "line 3, column 3: listen: expected a text"},
    };
    // A zero byte ends the text for the parser, which would then take a
    // number with anything behind it.
    const ConfigResult zero = ParseServiceConfig(std::string_view("6\0/ x", 5));
    EXPECT_EQ(zero.error, "line 1, column 2: a zero byte: the file is no JSON text");
    for (const auto& c : cases) {
        const ConfigResult result = ParseServiceConfig(c.json);
        EXPECT_FALSE(result.config) << c.json;
        EXPECT_EQ(result.error.substr(0, std::string_view(c.error).size()), c.error) << result.error;
    }
}

TEST(ServiceConfig, AFileMustBeARegularFileOfBoundedSize)
{
    test::TempDir dir("svc-config");
    const std::string good = dir.Write("good.conf", R"({"devices": [{"id": "a", "address": "virtual"}]})");
    const ConfigResult read = ReadServiceConfig(good);
    ASSERT_TRUE(read.config) << read.error;
    EXPECT_EQ(read.config->devices.at(0).id, "a");

    const ConfigResult bad = ReadServiceConfig(dir.Write("bad.conf", "{\"x\": 1}"));
    EXPECT_EQ(bad.error, dir / "bad.conf" + ": line 1, column 2: x: unknown key \"x\"");
    EXPECT_FALSE(ReadServiceConfig("/dev/zero").config);
    const std::string big =
        dir.Write("big.conf", "{\"cors\": [\"" + std::string(kMaxConfigBytes, 'x') + "\"]}");
    EXPECT_NE(ReadServiceConfig(big).error.find("larger than"), std::string::npos);
}

TEST(ServiceConfig, CommandLineFillsTheSameStruct)
{
    const ConfigResult args = ApplyServiceArgs(
        {"--listen", "0.0.0.0:8000", "--device", "a=virtual", "--device=b=tcp://gw:4001,share=5001"});
    ASSERT_TRUE(args.config) << args.error;
    EXPECT_EQ(args.config->listen, (ListenAddress{"0.0.0.0", 8000}));
    ASSERT_EQ(args.config->devices.size(), 2u);
    EXPECT_EQ(args.config->devices[1].address.Text(), "tcp://gw:4001");
    EXPECT_EQ(args.config->devices[1].share, 5001);

    const struct {
        std::vector<std::string> args;
        const char* error;
    } refused[] = {
        {{"--device", "a=virtual", "--device", "a=COM1"}, "--device: \"a\" is used twice"},
        {{"--device", "a=COM1,share=99999"}, "--device \"a=COM1,share=99999\": share must be"},
        {{"--device", "a=COM1,speed=9600"}, "--device \"a=COM1,speed=9600\": the only option"},
        {{"--device", "novalue"}, "--device \"novalue\": expected ID=ADDRESS"},
        {{"--listen"}, "--listen needs a value"},
        {{"--listen", "http://x:1"}, "--listen: \"http://x:1\": a listen address is HOST:PORT"},
        {{"--verbose"}, "unknown option \"--verbose\""},
    };
    for (const auto& c : refused) {
        const ConfigResult result = ApplyServiceArgs(c.args);
        EXPECT_FALSE(result.config);
        EXPECT_EQ(result.error.substr(0, std::string_view(c.error).size()), c.error) << result.error;
    }
}

TEST(ServiceConfig, CheckRefusesAnOpenServiceAndWarnsOfOpenSharedPorts)
{
    ServiceConfig config;
    config.devices.push_back({"a", {}, 4001});
    ConfigCheck check = CheckServiceConfig(config);
    EXPECT_TRUE(check.errors.empty());
    EXPECT_TRUE(check.warnings.empty());

    config.listen = {"192.168.1.5", 8480};
    check = CheckServiceConfig(config);
    ASSERT_EQ(check.errors.size(), 1u);
    EXPECT_NE(check.errors[0].find("needs a token"), std::string::npos);

    config.controlToken = "secret";
    config.devices.push_back({"b", {}, 8480});
    check = CheckServiceConfig(config);
    ASSERT_EQ(check.errors.size(), 1u);
    EXPECT_EQ(check.errors[0], "port 8480 is used by both the API and device \"b\"");
    ASSERT_EQ(check.warnings.size(), 2u);
    EXPECT_NE(check.warnings[0].find("\"a\"'s shared port 192.168.1.5:4001 is reachable"), std::string::npos);
}

// A reload stops what went or changed, starts what came or changed, and
// leaves the rest running.
TEST(ServiceConfig, AReloadTouchesOnlyTheDevicesThatChanged)
{
    const auto devices = [](std::vector<std::string> args) { return ApplyServiceArgs(args).config->devices; };
    const std::vector<DeviceConfig> running =
        devices({"--device", "a=COM1", "--device", "b=COM2,share=4001", "--device", "c=virtual"});
    const DeviceChanges changes = CompareDevices(
        running, devices({"--device", "c=virtual", "--device", "b=COM2,share=4002", "--device", "d=COM4"}));
    EXPECT_EQ(changes.stop, (std::vector<std::string>{"a", "b"}));
    ASSERT_EQ(changes.start.size(), 2u);
    EXPECT_EQ(changes.start[0].id, "b");
    EXPECT_EQ(changes.start[0].share, 4002);
    EXPECT_EQ(changes.start[1].id, "d");
    const DeviceChanges none = CompareDevices(running, running);
    EXPECT_TRUE(none.stop.empty() && none.start.empty());
}

}  // namespace
}  // namespace brevant::service
