// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApertiumPipeline.h"

#include "ApertiumMode.h"
#include "ApertiumStreamFormat.h"
#include "Base/Logging.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/prctl.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr int reapTimeoutMs = 1000;

// Some stages throw at start under a locale that is set but not generated on this system, which
// the user's may well be; C.UTF-8 is always there and reads UTF-8 as the stages must.
QProcessEnvironment stageEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    return environment;
}

QString modeName(const QString &modePath)
{
    return QFileInfo(modePath).completeBaseName();
}

} // namespace

ApertiumPipeline::ApertiumPipeline(QString modePath, Timing timing, QObject *parent)
    : QObject(parent)
    , m_modePath(std::move(modePath))
    , m_timing(timing)
{
    m_requestTimer.setSingleShot(true);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(m_timing.idleTimeout);
    connect(&m_requestTimer, &QTimer::timeout, this, &ApertiumPipeline::requestTimedOut);
    connect(&m_idleTimer, &QTimer::timeout, this, &ApertiumPipeline::becomeIdleIfUnused);
}

ApertiumPipeline::~ApertiumPipeline()
{
    stop();
    // Killed already; reaping them here keeps them from outliving the pipeline as zombies.
    for (QProcess *stage : findChildren<QProcess *>())
        stage->waitForFinished(reapTimeoutMs);
}

QString ApertiumPipeline::errorDomain()
{
    return u"Voxlume.Apertium"_s;
}

void ApertiumPipeline::start()
{
    if (!isRunning())
        launch();
    if (!m_current && m_queue.isEmpty())
        m_idleTimer.start();
}

void ApertiumPipeline::submit(std::shared_ptr<ApertiumRequest> request)
{
    m_idleTimer.stop();
    m_queue.enqueue(std::move(request));
    sendNext();
}

void ApertiumPipeline::stop()
{
    const QString message =
        QCoreApplication::translate("ApertiumPipeline", "The translator was stopped.");
    failCurrent(Stopped, message);
    while (!m_queue.isEmpty())
        m_queue.dequeue()->finish(Error::fromMessage(message, errorDomain(), Stopped));
    m_idleTimer.stop();
    shutDown();
}

QList<qint64> ApertiumPipeline::processIds() const
{
    QList<qint64> ids;
    for (const QProcess *stage : m_stages)
        ids << stage->processId();
    return ids;
}

void ApertiumPipeline::launch()
{
    const auto mode = ApertiumMode::fromFile(m_modePath);
    if (const auto *problem = std::get_if<QString>(&mode)) {
        Logging::shared().breadcrumb(
            u"Apertium mode %1 cannot run: %2"_s.arg(m_modePath, *problem));
        return;
    }
    ++m_generation;
    ++m_startCount;
    m_generationHasAnswered = false;
    m_output.clear();
    m_reply.clear();
    const quint64 generation = m_generation;
    const QProcessEnvironment environment = stageEnvironment();
    for (const ApertiumMode::Stage &description : std::get<ApertiumMode>(mode).stages()) {
        auto *stage = new QProcess(this);
        stage->setProgram(description.program);
        stage->setArguments(description.arguments);
        stage->setProcessEnvironment(environment);
        stage->setStandardErrorFile(QProcess::nullDevice());
        // A stage must not outlive a program that crashed or was killed.
        stage->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        // Queued: a stage that fails to start says so inside start(), in the middle of this loop.
        connect(
            stage, &QProcess::finished, this, [this, generation] { stageEnded(generation); },
            Qt::QueuedConnection);
        connect(
            stage, &QProcess::errorOccurred, this, [this, generation] { stageEnded(generation); },
            Qt::QueuedConnection);
        if (!m_stages.isEmpty())
            m_stages.last()->setStandardOutputProcess(stage);
        m_stages << stage;
    }
    connect(m_stages.last(), &QProcess::readyReadStandardOutput, this,
            &ApertiumPipeline::readOutput);
    startStage(generation, 0);
}

// One stage a turn of the main loop: each start forks this whole process, recogniser and all, which
// takes milliseconds, and a dozen at once would hold the main thread up for tens of them. Requests
// sent meanwhile wait in the pipes between the stages.
void ApertiumPipeline::startStage(quint64 generation, qsizetype index)
{
    if (generation != m_generation || index >= m_stages.size())
        return;
    m_stages.at(index)->start(QIODevice::ReadWrite);
    QMetaObject::invokeMethod(
        this, [this, generation, index] { startStage(generation, index + 1); },
        Qt::QueuedConnection);
}

void ApertiumPipeline::shutDown()
{
    m_requestTimer.stop();
    const QList<QProcess *> stages = std::exchange(m_stages, {});
    for (QProcess *stage : stages) {
        stage->disconnect(this);
        if (stage->state() == QProcess::NotRunning) {
            stage->deleteLater();
            continue;
        }
        stage->kill();
        // Reaped in the background; the pipeline's destruction reaps those still there.
        connect(stage, &QProcess::finished, stage, &QObject::deleteLater);
    }
}

void ApertiumPipeline::sendNext()
{
    // A request that cannot be sent fails at once, and the next one gets its turn.
    while (!m_current && !m_queue.isEmpty()) {
        m_current = m_queue.dequeue();
        if (m_current->isFinished()) {
            m_current.reset();
            continue;
        }
        m_currentWasResent = false;
        send();
    }
    if (!m_current)
        m_idleTimer.start();
}

void ApertiumPipeline::send()
{
    if (!isRunning())
        launch();
    if (!isRunning()) {
        failCurrent(CannotStart, QCoreApplication::translate("ApertiumPipeline",
                                                             "The translator %1 cannot be started.")
                                     .arg(modeName(m_modePath)));
        return;
    }
    m_reply.clear();
    m_stages.first()->write(ApertiumStreamFormat::encodeRequest(m_current->text(), ++m_nonce));
    m_requestTimer.start(m_timing.requestTimeout +
                         std::chrono::milliseconds(m_current->text().size()));
}

void ApertiumPipeline::readOutput()
{
    m_output += m_stages.last()->readAllStandardOutput();
    qsizetype end = m_output.indexOf('\0');
    while (end >= 0) {
        takeRecord(m_output.left(end));
        m_output.remove(0, end + 1);
        end = m_output.indexOf('\0');
    }
}

void ApertiumPipeline::takeRecord(const QByteArray &record)
{
    const std::optional<quint64> nonce = ApertiumStreamFormat::nonceOf(record);
    if (!nonce) {
        // Stages pad their output with NULs now and then; a reply is never empty.
        if (!record.isEmpty())
            m_reply = record;
        return;
    }
    const QByteArray reply = std::exchange(m_reply, {});
    // A marker of an earlier request ends a reply that nobody waits for any more.
    if (!m_current || *nonce != m_nonce)
        return;
    m_requestTimer.stop();
    m_generationHasAnswered = true;
    std::exchange(m_current, {})->finish(ApertiumStreamFormat::decodeReply(reply));
    sendNext();
}

void ApertiumPipeline::stageEnded(quint64 generation)
{
    if (generation != m_generation || !isRunning())
        return;
    Logging::shared().breadcrumb(
        u"A stage of Apertium mode %1 ended; restarting"_s.arg(m_modePath));
    const bool wasWorking = m_generationHasAnswered;
    shutDown();
    if (m_current && !m_currentWasResent) {
        m_currentWasResent = true;
        send();
    } else {
        failCurrent(Died, QCoreApplication::translate("ApertiumPipeline",
                                                      "The translator stopped unexpectedly."));
        // Known to work, so worth having ready again; one that never answered waits to be asked.
        if (wasWorking)
            launch();
    }
    sendNext();
}

void ApertiumPipeline::requestTimedOut()
{
    Logging::shared().breadcrumb(u"Apertium mode %1 stalled; restarting"_s.arg(m_modePath));
    shutDown();
    failCurrent(Stalled, QCoreApplication::translate("ApertiumPipeline",
                                                     "The translator did not answer in time."));
    launch();
    sendNext();
}

void ApertiumPipeline::failCurrent(ErrorCode code, const QString &message)
{
    m_requestTimer.stop();
    if (m_current)
        std::exchange(m_current, {})->finish(Error::fromMessage(message, errorDomain(), code));
}

void ApertiumPipeline::becomeIdleIfUnused()
{
    if (!m_current && m_queue.isEmpty())
        shutDown();
}
