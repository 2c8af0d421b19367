// brevantd as a program: its configuration check, SIGHUP adding a device
// without touching the others, and SIGTERM ending it within a second.
#include "tests/Eventually.h"
#include "tests/service/QtApplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <csignal>
#include <string>

namespace brevant::service {
namespace {

using Json = nlohmann::json;
using test::Eventually;

const QString kProgram = QStringLiteral(BREVANTD_PATH);

class Brevantd : public ::testing::Test {
protected:
    static void SetUpTestSuite() { test::EnsureApplication(); }
    void TearDown() override
    {
        if (daemon.state() != QProcess::NotRunning) {
            daemon.kill();
            daemon.waitForFinished(2000);
        }
    }

    QString Write(const QString& name, const std::string& text)
    {
        const QString path = dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(text.data(), static_cast<qint64>(text.size()));
        return path;
    }

    // brevantd --check-config on a file: its exit status and what it said.
    std::pair<int, std::string> Check(const std::string& text)
    {
        QProcess check;
        check.start(kProgram, {"--check-config", "--config", Write("check.conf", text)});
        check.waitForFinished(10000);
        return {check.exitCode(),
                (check.readAllStandardOutput() + check.readAllStandardError()).toStdString()};
    }

    Json Devices(int port)
    {
        QNetworkReply* reply = network.get(
            QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1/api/v1/devices").arg(port))));
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(3000, &loop, &QEventLoop::quit);
        loop.exec();
        const Json devices = Json::parse(reply->readAll().toStdString(), nullptr, false);
        reply->deleteLater();
        return devices.is_array() ? devices : Json::array();
    }

    QTemporaryDir dir;
    QProcess daemon;
    QNetworkAccessManager network;
};

TEST_F(Brevantd, CheckConfigNamesTheLineOfWhatIsWrong)
{
    const auto [ok, said] =
        Check("// a comment\n{\"devices\": [{\"id\": \"hall\", \"address\": \"virtual\"}]}\n");
    EXPECT_EQ(ok, 0) << said;
    const auto [bad, why] =
        Check("{\n  \"devices\": [\n    {\"id\": \"hall\", \"adress\": \"COM1\"}\n  ]\n}\n");
    EXPECT_EQ(bad, 1);
    EXPECT_NE(why.find("line 3"), std::string::npos) << why;
    const auto [open, told] = Check("{\"listen\": \"0.0.0.0:8480\", \"devices\": []}");
    EXPECT_EQ(open, 1) << "beyond loopback without a token";
    EXPECT_NE(told.find("token"), std::string::npos) << told;
    const auto [empty, nothing] = Check("{\"devices\": []}");
    EXPECT_EQ(empty, 1) << "a configuration without a device keeps the unit off";
    EXPECT_NE(nothing.find("names no device"), std::string::npos) << nothing;
}

TEST_F(Brevantd, HangUpAddsADeviceAndTerminateEndsWithinASecond)
{
    const int port = 18000 + static_cast<int>(QCoreApplication::applicationPid() % 1000);
    const std::string listen = "\"listen\": \"127.0.0.1:" + std::to_string(port) + "\"";
    const QString config =
        Write("brevantd.conf", "{" + listen + R"(, "devices": [{"id": "a", "address": "virtual"}]})");
    daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    daemon.start(kProgram, {"--config", config});
    ASSERT_TRUE(daemon.waitForStarted(5000));
    const auto states = [&] {
        std::vector<std::string> all;
        for (const Json& device : Devices(port))
            all.push_back(device.value("id", "") + ":" + device.value("state", ""));
        return all;
    };
    ASSERT_TRUE(Eventually([&] { return states() == std::vector<std::string>{"a:connected"}; }, 20.0));

    Write("brevantd.conf",
          "{" + listen +
              R"(, "devices": [{"id": "a", "address": "virtual"}, {"id": "b", "address": "virtual"}]})");
    ::kill(static_cast<pid_t>(daemon.processId()), SIGHUP);
    EXPECT_TRUE(Eventually(
        [&] {
            return states() == std::vector<std::string>{"a:connected", "b:connected"};
        },
        20.0));
    EXPECT_EQ(Devices(port)[0].value("state", ""), "connected") << "the kept device was not touched";

    const auto start = std::chrono::steady_clock::now();
    ::kill(static_cast<pid_t>(daemon.processId()), SIGTERM);
    ASSERT_TRUE(daemon.waitForFinished(3000));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 1.0);
    EXPECT_EQ(daemon.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(daemon.exitCode(), 0);
}

}  // namespace
}  // namespace brevant::service
