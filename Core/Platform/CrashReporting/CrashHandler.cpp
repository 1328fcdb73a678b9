// SPDX-License-Identifier: GPL-3.0-or-later
#include "CrashHandler.h"

#include "BreadcrumbTrail.h"
#include "SentryEvent.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QUuid>
#include <array>
#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Everything the handler reads is prepared here, in fixed buffers, before any crash.
struct Prepared
{
    char directory[2048] = {};
    char eventId[33] = {};
    /// The envelope and item headers, then the event's fixed fields, open for more fields.
    char head[4096] = {};
    char inAppModule[64] = {};
    char fatalMessage[2048] = {};
};

Prepared prepared;
std::atomic<const BreadcrumbTrail *> activeTrail = nullptr;
std::atomic_flag crashing = ATOMIC_FLAG_INIT;

constexpr std::array fatalSignals{SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP};
/// What each signal did before: after the report, it does that again.
std::array<struct sigaction, fatalSignals.size()> previousActions{};

const char *signalName(int number)
{
    switch (number) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGILL:
        return "SIGILL";
    case SIGFPE:
        return "SIGFPE";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "SIGTRAP";
    }
}

void copyText(char *target, size_t size, const QByteArray &text)
{
    const size_t length = std::min(size - 1, size_t(text.size()));
    std::memcpy(target, text.constData(), length);
    target[length] = '\0';
}

// --- From here on, only what a signal handler may do. ---

int reportFile = -1;
char buffer[16384];
size_t buffered = 0;

void flush()
{
    size_t written = 0;
    while (written < buffered) {
        const ssize_t n = ::write(reportFile, buffer + written, buffered - written);
        if (n <= 0)
            break;
        written += size_t(n);
    }
    buffered = 0;
}

void write(const char *data, size_t length)
{
    while (length > 0) {
        if (buffered == sizeof buffer)
            flush();
        const size_t chunk = std::min(length, sizeof buffer - buffered);
        std::memcpy(buffer + buffered, data, chunk);
        buffered += chunk;
        data += chunk;
        length -= chunk;
    }
}

void write(const char *text)
{
    write(text, std::strlen(text));
}

void writeJsonString(const char *text)
{
    static const char hex[] = "0123456789abcdef";
    write("\"");
    for (const char *c = text; c && *c; ++c) {
        const auto byte = static_cast<unsigned char>(*c);
        if (byte == '"' || byte == '\\') {
            const char escaped[2] = {'\\', char(byte)};
            write(escaped, 2);
        } else if (byte < 0x20) {
            const char escaped[6] = {'\\', 'u', '0', '0', hex[byte >> 4], hex[byte & 15]};
            write(escaped, 6);
        } else {
            write(c, 1);
        }
    }
    write("\"");
}

void writeNumber(unsigned long long value, int base, int minimumDigits = 1)
{
    char digits[32];
    int count = 0;
    do {
        digits[count++] = "0123456789abcdef"[value % unsigned(base)];
        value /= unsigned(base);
    } while (value > 0 || count < minimumDigits);
    while (count > 0)
        write(&digits[--count], 1);
}

bool isInApp(const char *package)
{
    const char *module = std::strrchr(package, '/');
    module = module ? module + 1 : package;
    if (std::strncmp(module, "lib", 3) == 0)
        module += 3;
    return prepared.inAppModule[0] &&
           std::strncmp(module, prepared.inAppModule, std::strlen(prepared.inAppModule)) == 0;
}

void writeFrames()
{
    void *addresses[64];
    const int count = backtrace(addresses, 64);
    // The innermost frames are this handler and the kernel's return path.
    constexpr int handlerFrames = 2;
    bool first = true;
    for (int i = count - 1; i >= handlerFrames; --i) {
        write(first ? "{" : ",{");
        first = false;
        write("\"instruction_addr\":\"0x");
        writeNumber(reinterpret_cast<quintptr>(addresses[i]), 16);
        write("\"");
        Dl_info info{};
        const bool known = dladdr(addresses[i], &info) != 0 && info.dli_fname;
        if (known) {
            write(",\"package\":");
            writeJsonString(info.dli_fname);
            if (info.dli_sname) {
                write(",\"function\":");
                writeJsonString(info.dli_sname);
            }
        }
        write(known && isInApp(info.dli_fname) ? ",\"in_app\":true}" : ",\"in_app\":false}");
    }
}

void writeReport(int signalNumber, const BreadcrumbTrail &trail, const timespec &now)
{
    const bool deliberate = prepared.fatalMessage[0] != '\0';
    write(prepared.head);
    write(",\"timestamp\":");
    writeNumber(static_cast<unsigned long long>(now.tv_sec), 10);
    write(".");
    writeNumber(static_cast<unsigned long long>(now.tv_nsec / 1'000'000), 10, 3);
    write(",\"breadcrumbs\":{\"values\":[");
    trail.writeForCrash([](const char *data, size_t length) { write(data, length); });
    write("]},\"exception\":{\"values\":[{\"type\":");
    writeJsonString(deliberate ? "Fatal error" : signalName(signalNumber));
    write(",\"value\":");
    writeJsonString(deliberate ? prepared.fatalMessage : "The program was stopped by a signal");
    write(",\"mechanism\":{\"type\":\"signalhandler\",\"handled\":false,\"meta\":{\"signal\":{"
          "\"number\":");
    writeNumber(static_cast<unsigned long long>(signalNumber), 10);
    write(",\"name\":");
    writeJsonString(signalName(signalNumber));
    write("}}},\"stacktrace\":{\"frames\":[");
    writeFrames();
    write("]}}]}}\n");
    flush();
}

// The queue's name for the report: it sorts after every envelope written before the crash.
void queueName(char *target, const timespec &now)
{
    char stamp[16];
    long long milliseconds = now.tv_sec * 1000LL + now.tv_nsec / 1'000'000;
    for (int i = 14; i >= 0; --i, milliseconds /= 10)
        stamp[i] = char('0' + milliseconds % 10);
    stamp[15] = '\0';
    char *end = stpcpy(stpcpy(target, prepared.directory), "/");
    stpcpy(stpcpy(stpcpy(stpcpy(end, stamp), "-9999999999-"), prepared.eventId), ".envelope");
}

void handleCrash(int signalNumber)
{
    // A second crashing thread waits for the first to finish the report and end the process.
    if (crashing.test_and_set()) {
        for (;;)
            pause();
    }
    const BreadcrumbTrail *trail = activeTrail.load();
    if (trail && prepared.directory[0]) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        // Written under a name the queue ignores, and renamed when whole.
        char temporary[2200];
        stpcpy(stpcpy(stpcpy(temporary, prepared.directory), "/crash-"), prepared.eventId);
        reportFile = ::open(temporary, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (reportFile >= 0) {
            writeReport(signalNumber, *trail, now);
            ::close(reportFile);
            char final[2200];
            queueName(final, now);
            ::rename(temporary, final);
        }
    }
    // Hand the signal on to whoever had it before (the default action ends the process).
    for (size_t i = 0; i < fatalSignals.size(); ++i) {
        if (fatalSignals[i] == signalNumber)
            sigaction(signalNumber, &previousActions[i], nullptr);
    }
    raise(signalNumber);
}

} // namespace

void CrashHandler::install(const SentryOptions &options, const BreadcrumbTrail *trail)
{
    QDir().mkpath(options.cacheDirectory);
    copyText(prepared.directory, sizeof prepared.directory,
             QFile::encodeName(options.cacheDirectory));
    const QString eventId = QUuid::createUuid().toString(QUuid::Id128);
    copyText(prepared.eventId, sizeof prepared.eventId, eventId.toLatin1());
    copyText(prepared.inAppModule, sizeof prepared.inAppModule,
             options.inAppIncludes.value(0).toUtf8());

    QByteArray event = QJsonDocument(SentryEvent::fixedFields(options, eventId, u"fatal"_s))
                           .toJson(QJsonDocument::Compact);
    event.chop(1); // left open for the fields only known at the crash
    copyText(prepared.head, sizeof prepared.head,
             SentryEvent::envelopeHead(eventId, options.dsn, std::nullopt) + event);

    // Loads what backtrace() needs now, since a handler cannot load libraries.
    void *warmUp[1];
    backtrace(warmUp, 1);

    activeTrail.store(trail);
    static bool installed = false;
    if (installed)
        return;
    installed = true;

    // Room to run the handler when the crash is a stack overflow.
    static std::array<char, 64 * 1024> alternateStack;
    stack_t stack{};
    stack.ss_sp = alternateStack.data();
    stack.ss_size = alternateStack.size();
    sigaltstack(&stack, nullptr);

    struct sigaction action
    {};
    action.sa_handler = handleCrash;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < fatalSignals.size(); ++i)
        sigaction(fatalSignals[i], &action, &previousActions[i]);
}

void CrashHandler::uninstall(const BreadcrumbTrail *trail)
{
    const BreadcrumbTrail *expected = trail;
    activeTrail.compare_exchange_strong(expected, nullptr);
}

void CrashHandler::setFatalMessage(const QString &message)
{
    copyText(prepared.fatalMessage, sizeof prepared.fatalMessage, message.toUtf8());
}
