// SPDX-License-Identifier: GPL-3.0-or-later
// What "Check for Updates…" costs when there is nothing new: from the check's start to "You're up
// to date!", against a feed of 20 releases with inline release notes served on the loopback
// interface, so that the figure is the program's own work (request, parse, compare) and not the
// network's. The first check, which opens the connection, is counted apart.
// Usage: voxlume-bench-update-check [checks, default 200]

#include "HttpReceiver.h"
#include "Percentile.h"
#include "Updates/UpdateChecker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int releases = 20;

QByteArray feedOfReleases()
{
    QByteArray items;
    for (int minor = 0; minor < releases; ++minor) {
        const QByteArray version = "1." + QByteArray::number(minor) + ".0";
        QByteArray notes;
        for (int line = 0; line < 12; ++line)
            notes += "<li>Subtitles follow speech more closely in change " +
                     QByteArray::number(line) + ".</li>";
        items += "<item><title>Voxlume " + version + "</title><sparkle:version>" + version +
                 "</sparkle:version><description><![CDATA[<ul>" + notes +
                 "</ul>]]></description><enclosure url=\"https://example.org/voxlume_" + version +
                 "_amd64.deb\" length=\"4200000\" sparkle:edSignature=\"" + QByteArray(88, 'A') +
                 "\" type=\"application/vnd.debian.binary-package\"/></item>";
    }
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\" "
           "xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
           "<title>Voxlume</title>" +
           items + "</channel></rss>";
}

double checkMilliseconds(UpdateChecker &checker)
{
    QEventLoop loop;
    QObject::connect(&checker, &UpdateChecker::stateChanged, &loop, [&] {
        if (checker.state() != UpdateChecker::State::Checking)
            loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    checker.checkForUpdates();
    loop.exec();
    const double milliseconds = double(timer.nsecsElapsed()) / 1e6;
    if (checker.state() != UpdateChecker::State::UpToDate)
        qFatal("the check ended otherwise: %s", qPrintable(checker.errorMessage()));
    checker.dismiss();
    return milliseconds;
}

} // namespace

int main(int argc, char *argv[])
{
    // The check stores its time among the settings: not among the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    QCoreApplication application(argc, argv);
    const int checks = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 200;

    HttpReceiver server;
    if (!server.listen())
        qFatal("cannot listen on the loopback interface");
    const QByteArray feed = feedOfReleases();
    for (int index = 0; index <= checks; ++index)
        server.queueResponse({200, {{"Content-Type", "application/xml"}}, feed});

    UpdateChecker::Configuration configuration;
    configuration.feed = QUrl(u"http://127.0.0.1:%1/appcast.xml"_s.arg(server.port()));
    configuration.currentVersion = u"1.%1.0"_s.arg(releases - 1);
    configuration.downloadDirectory = home.path();
    UpdateChecker checker(configuration);

    const double first = checkMilliseconds(checker);
    QList<double> times;
    for (int index = 0; index < checks; ++index)
        times << checkMilliseconds(checker);
    std::printf("up-to-date check, feed of %d releases (%lld bytes), loopback\n", releases,
                static_cast<long long>(feed.size()));
    std::printf("  first check          %8.2f ms\n", first);
    std::printf("  %4d further checks  median %6.2f ms   p95 %6.2f ms   max %6.2f ms\n", checks,
                percentile(times, 0.5), percentile(times, 0.95), percentile(times, 1.0));
    return 0;
}
