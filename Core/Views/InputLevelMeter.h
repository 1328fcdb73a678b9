// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProgressBar>

class InputLevelMonitor;

/// A level meter: a slim horizontal bar in the palette's colours that shows an input level
/// monitor's level, or one input's while the monitor mixes two.
///
/// The meter of the chosen input keeps the monitor capturing while it is visible, and only then.
/// To assistive technology it is a progress bar named for what it measures ("Input level", or
/// while mixing "Computer sound level"; "Microphone level"), its value the level in percent. Main
/// thread.
class InputLevelMeter : public QProgressBar
{
    Q_OBJECT

public:
    /// What a meter shows.
    enum class Shows {
        /// All that is heard; while mixing, the computer's sound, beside which the microphone has
        /// a meter of its own.
        ChosenInput,
        Microphone,
    };

    /// Shows what \a shows names of \a monitor, which must outlive the meter.
    explicit InputLevelMeter(InputLevelMonitor *monitor, Shows shows = Shows::ChosenInput,
                             QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void showLevel();

    InputLevelMonitor *const m_monitor;
    const Shows m_shows;
};
