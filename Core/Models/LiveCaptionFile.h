// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

/// A text file that holds what a run's subtitles show at this moment, for another program to read
/// as it changes (a streaming program's text source, say): the spoken line, and under it its
/// translation when there is one.
///
/// Every change replaces the whole file at once (a new file beside it takes its place), so that a
/// reader sees one text or the next and never a part of one. The writes are done on a thread of
/// Qt's global pool, one at a time; texts that come while one is being written wait, and only the
/// newest of them is written next, so that a slow disk makes the file late but never holds up the
/// main thread. A write that fails is told once, in problem(); the next change tries again without
/// a word, and the first write that succeeds takes the problem back. Both hosts of a run, the
/// subtitle window and the command-line tool, write through this class. Main thread.
class LiveCaptionFile : public QObject
{
    Q_OBJECT

public:
    explicit LiveCaptionFile(QObject *parent = nullptr);
    /// Hands a change that is still waiting to the pool without waiting for it, so that the file
    /// ends with the last text it was given.
    ~LiveCaptionFile() override;

    /// The file written to; empty (the default) writes nothing.
    QString path() const { return m_path; }
    /// Writes to \a path from now on, beginning with the text shown now; a file written before is
    /// left as it is.
    void setPath(const QString &path);

    /// Shows \a source, and \a translation on a second line unless it is empty; both empty leave
    /// the file empty.
    void show(const QString &source, const QString &translation);

    /// Why the file could not be written, as the user is told it; none once a write succeeded.
    std::optional<QString> problem() const { return m_problem; }
    /// Whether a write is under way or a change waits for one.
    bool isBusy() const { return m_writing || m_waiting; }

Q_SIGNALS:
    /// problem() has changed: a write failed after writes that succeeded, or the other way round.
    void problemChanged();
    /// A write has ended, whether or not it succeeded; none is under way unless a change waits.
    void writeEnded();

private:
    void write();
    void startWrite();
    void writeDone(const QString &path, const std::optional<QString> &failure);

    QString m_path;
    QString m_text;
    std::optional<QString> m_problem;
    bool m_writing = false;
    bool m_waiting = false;
    // Lets a write that ends after this object is gone find that out.
    std::shared_ptr<int> m_alive = std::make_shared<int>();
};
