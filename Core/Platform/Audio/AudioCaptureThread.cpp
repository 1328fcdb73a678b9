// SPDX-License-Identifier: GPL-3.0-or-later
#include "AudioCaptureThread.h"

#include <QThread>

using namespace Qt::Literals::StringLiterals;

QThread *AudioCaptureThread::shared()
{
    static QThread *const thread = [] {
        auto *const started = new QThread;
        started->setObjectName(u"Audio capture"_s);
        started->start();
        return started;
    }();
    return thread;
}
