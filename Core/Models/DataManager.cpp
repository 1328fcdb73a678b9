// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataManager.h"

#include "Base/Logging.h"
#include "Base/WholeFileWrite.h"
#include "Platform/Store/ModelContainer.h"
#include "Platform/Store/TranscriptWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace {

// Long enough for a store that another program holds for a moment, short enough for a quit.
constexpr std::chrono::seconds lastTryTimeout{6};

QByteArray plainText(const QList<std::pair<QUuid, Transcript::Fields>> &records)
{
    QString text;
    for (const auto &[id, fields] : records) {
        text += fields.timestamp.toString(Qt::ISODate) + u" ("_s + fields.sourceLanguageString +
                u")\n\n"_s + fields.sourceText + u"\n\n"_s;
    }
    return text.toUtf8();
}

} // namespace

DataManager &DataManager::shared()
{
    // Closed at exit, so that the journal is folded back into the database.
    static DataManager instance;
    return instance;
}

DataManager::DataManager()
{
    std::variant<std::unique_ptr<ModelContainer>, Error> opened =
        ModelContainer::open(ModelContainer::defaultPath(), ModelContainer::Check::InBackground);
    if (const Error *error = std::get_if<Error>(&opened)) {
        Logging::shared().errorMessage(u"Failed to initialize ModelContainer: "_s +
                                       error->localizedDescription());
        m_openError = *error;
        m_modelContainer = ModelContainer::inMemory();
        return;
    }
    m_modelContainer = std::get<std::unique_ptr<ModelContainer>>(std::move(opened));
}

DataManager::~DataManager() = default;

std::optional<Error> DataManager::openError() const
{
    return m_openError ? m_openError : m_modelContainer->checkError();
}

std::optional<QString> DataManager::keepUnwrittenTranscripts()
{
    TranscriptWriter &writer = m_modelContainer->transcriptWriter();
    const auto deadline = std::chrono::steady_clock::now() + lastTryTimeout;
    // A check still running is waited for only when it holds up texts.
    m_modelContainer->waitForCheck(writer.hasUnwrittenRecords() ? lastTryTimeout
                                                                : std::chrono::milliseconds(0));
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (!writer.hasUnwrittenRecords() ||
        writer.finish(std::max(left, std::chrono::milliseconds(0))))
        return std::nullopt;
    const QByteArray contents = plainText(writer.unwritten());
    const QString name = u"Unsaved transcripts %1.txt"_s.arg(
        QDateTime::currentDateTime().toString(u"yyyy-MM-dd hh.mm.ss"_s));
    QStringList folders{QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                        u"/Voxlume"_s};
    if (!m_modelContainer->path().isEmpty())
        folders.prepend(QFileInfo(m_modelContainer->path()).absolutePath());
    for (const QString &folder : folders) {
        const QString path = folder + u'/' + name;
        if (QDir().mkpath(folder) && !writeWholeFile(path, contents)) {
            Logging::shared().writeLine(u"Transcripts the store refused were written to "_s + path);
            return path;
        }
    }
    std::fprintf(stderr, "%s", contents.constData());
    return QString();
}
