// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProgressBar>

class InputLevelMonitor;

/// A level meter: a slim horizontal bar in the palette's colours that shows an input level
/// monitor's level, and keeps the monitor capturing while the meter is visible, and only then.
///
/// To assistive technology it is a progress bar named "Input level", its value the level in
/// percent. Main thread.
class InputLevelMeter : public QProgressBar
{
    Q_OBJECT

public:
    /// Shows \a monitor's level; \a monitor must outlive the meter.
    explicit InputLevelMeter(InputLevelMonitor *monitor, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    InputLevelMonitor *const m_monitor;
};
