// SPDX-License-Identifier: GPL-3.0-or-later
#include "LiveCaptionFile.h"

#include "Base/Logging.h"
#include "Base/MainThreadRelay.h"
#include "Base/WholeFileWrite.h"

#include <map>
#include <mutex>

using namespace Qt::Literals::StringLiterals;

namespace {

// The files of two runs may overlap for a moment (a window closing as the next one opens), and a
// slow write of the old run's text could otherwise land over a newer one. Every write of the
// process is numbered on the main thread; one that finds a later number already written to its
// path has nothing left to say and is dropped.
quint64 lastWriteNumber = 0;

std::optional<QString> writeInOrder(const QString &path, const QByteArray &contents, quint64 number)
{
    static std::mutex mutex;
    static std::map<QString, quint64> newestWritten;
    const std::lock_guard lock(mutex);
    quint64 &newest = newestWritten[path];
    if (number < newest)
        return std::nullopt;
    newest = number;
    return writeWholeFile(path, contents);
}

void writeInBackground(const QString &path, const QString &text,
                       std::function<void(std::optional<QString>)> then)
{
    MainThreadRelay::instance().runInBackground(
        [path, contents = text.toUtf8(), number = ++lastWriteNumber] {
            return writeInOrder(path, contents, number);
        },
        std::move(then));
}

} // namespace

LiveCaptionFile::LiveCaptionFile(QObject *parent)
    : QObject(parent)
{}

LiveCaptionFile::~LiveCaptionFile()
{
    if (m_waiting && !m_path.isEmpty())
        writeInBackground(m_path, m_text, [](const std::optional<QString> &) {});
}

void LiveCaptionFile::setPath(const QString &path)
{
    if (path == m_path)
        return;
    m_path = path;
    // The old file's trouble is not the new one's.
    if (std::exchange(m_problem, std::nullopt))
        Q_EMIT problemChanged();
    write();
}

void LiveCaptionFile::show(const QString &source, const QString &translation)
{
    const QString text = translation.isEmpty() ? source : source + u'\n' + translation;
    if (text == m_text)
        return;
    m_text = text;
    write();
}

void LiveCaptionFile::write()
{
    if (m_path.isEmpty())
        return;
    m_waiting = true;
    if (!m_writing)
        startWrite();
}

void LiveCaptionFile::startWrite()
{
    m_waiting = false;
    m_writing = true;
    writeInBackground(m_path, m_text,
                      [this, alive = std::weak_ptr(m_alive),
                       path = m_path](const std::optional<QString> &failure) {
                          if (!alive.expired())
                              writeDone(path, failure);
                      });
}

void LiveCaptionFile::writeDone(const QString &path, const std::optional<QString> &failure)
{
    m_writing = false;
    // Told when the file stops or starts taking writes, not at every failed one; a write to a file
    // given up meanwhile says nothing about the one in use.
    if (path == m_path && failure.has_value() != m_problem.has_value()) {
        m_problem.reset();
        if (failure) {
            m_problem = tr("The live captions cannot be written to “%1”: %2. The next subtitle "
                           "tries again.")
                            .arg(m_path, *failure);
            Logging::shared().breadcrumb(u"Live caption file not written: "_s + *failure);
        }
        Q_EMIT problemChanged();
    }
    Q_EMIT writeEnded();
    // After a failure too: a change that came during the write is the next try.
    if (m_waiting)
        startWrite();
}
