// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class ReleaseNotesBrowser;
class UpdateChecker;

/// The "Software Update" window: a check under way and its result, the newer version with its
/// release notes and the choice to install, skip or be reminded, the installation's progress, or
/// what failed.
///
/// It follows the checker's state, and closes itself when the checker has nothing left to show;
/// closing it puts the result away (UpdateChecker::dismiss()). Main thread.
class UpdateView : public QWidget
{
    Q_OBJECT

public:
    explicit UpdateView(UpdateChecker &checker, QWidget *parent = nullptr);

    /// The parts, for tests.
    QLabel *title() const { return m_title; }
    QLabel *message() const { return m_message; }
    ReleaseNotesBrowser *releaseNotes() const { return m_notes; }
    QPushButton *installButton() const { return m_install; }
    QPushButton *skipButton() const { return m_skip; }
    QPushButton *remindButton() const { return m_remind; }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *makeButtons();
    void showState();
    void showProgress();
    void present(const QString &title, const QString &message, QList<QPushButton *> buttons);

    UpdateChecker &m_checker;
    QLabel *m_title;
    QLabel *m_message;
    QLabel *m_notesLabel;
    ReleaseNotesBrowser *m_notes;
    QProgressBar *m_progress;
    QPushButton *m_skip;
    QPushButton *m_remind;
    QPushButton *m_install;
    QPushButton *m_cancel;
    QPushButton *m_done;
};
