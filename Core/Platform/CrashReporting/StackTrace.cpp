// SPDX-License-Identifier: GPL-3.0-or-later
#include "StackTrace.h"

#include <cstdlib>
#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <memory>

namespace {

QString demangled(const char *symbol)
{
    if (!symbol)
        return {};
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(symbol, nullptr, nullptr, &status), &std::free);
    return QString::fromUtf8(status == 0 && name ? name.get() : symbol);
}

} // namespace

QList<StackFrame> StackTrace::capture(int skip)
{
    constexpr int maxFrames = 64;
    void *addresses[maxFrames];
    const int count = backtrace(addresses, maxFrames);

    QList<StackFrame> frames;
    for (int i = count - 1; i > skip; --i) {
        StackFrame frame;
        frame.instructionAddress = reinterpret_cast<quintptr>(addresses[i]);
        Dl_info info{};
        if (dladdr(addresses[i], &info) != 0) {
            frame.package = QString::fromLocal8Bit(info.dli_fname);
            frame.function = demangled(info.dli_sname);
        }
        frames.append(frame);
    }
    return frames;
}
