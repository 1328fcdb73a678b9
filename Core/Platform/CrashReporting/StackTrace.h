// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

/// One frame of a call stack.
struct StackFrame
{
    quintptr instructionAddress = 0;
    /// The path of the program or library the frame's code is in.
    QString package;
    /// The demangled name of the function, when the module exports it.
    QString function;
};

/// The call stack of the calling thread.
class StackTrace
{
public:
    StackTrace() = delete;

    /// The frames of the caller's stack, outermost first, without the innermost \a skip frames
    /// (capture() itself is always left out).
    static QList<StackFrame> capture(int skip = 0);
};
