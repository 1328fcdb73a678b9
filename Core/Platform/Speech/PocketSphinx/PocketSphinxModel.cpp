// SPDX-License-Identifier: GPL-3.0-or-later
#include "PocketSphinxModel.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <pocketsphinx.h>
#include <sphinxbase/err.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// Long enough for a slow disk, short enough that a model that sends pocketsphinx into a loop
// cannot hang the caller for good.
constexpr unsigned checkTimeoutSeconds = 30;

// The model's paths as pocketsphinx takes them. Made before a fork: the child may run no Qt code.
struct Paths
{
    QByteArray acousticModel;
    QByteArray languageModel;
    QByteArray dictionary;
};

ps_decoder_t *newDecoder(const Paths &paths)
{
    // Without the flat-lexicon pass decoding is about 15 % faster at the same accuracy, and the
    // stall at the end of each utterance is much shorter. The best-path search over the lattice
    // stays: without it the word error rate on synthetic speech rose from 51 % to 59 %, and read
    // speech gained nothing.
    cmd_ln_t *const config =
        cmd_ln_init(nullptr, ps_args(), TRUE, "-hmm", paths.acousticModel.constData(), "-lm",
                    paths.languageModel.constData(), "-dict", paths.dictionary.constData(),
                    "-fwdflat", "no", static_cast<const char *>(nullptr));
    if (!config)
        return nullptr;
    ps_decoder_t *const decoder = ps_init(config);
    cmd_ln_free_r(config);
    return decoder;
}

void ignoreMessage(void *, err_lvl_t, const char *, ...) {}

// pocketsphinx writes its progress and its whole configuration to standard error. Silenced for the
// whole process, not with -logfn: each decoder given -logfn would close the log file that another
// decoder's thread may be writing to.
void silenceLogging()
{
    static std::once_flag once;
    std::call_once(once, [] {
        err_set_callback(ignoreMessage, nullptr);
        err_set_logfp(nullptr);
    });
}

// A fatal error calls exit(), which in the child would run the parent's exit handlers.
void endChildOnFatalError(void *, err_lvl_t level, const char *, ...)
{
    if (level == ERR_FATAL)
        _exit(EXIT_FAILURE);
}

// Low noise at 16 kHz, from a fixed seed: enough to run feature extraction, voice-activity
// detection and the search once.
bool decodesOneSecondOfNoise(ps_decoder_t *decoder)
{
    if (ps_start_stream(decoder) < 0 || ps_start_utt(decoder) < 0)
        return false;
    std::array<int16, 1024> chunk{};
    quint32 seed = 1;
    for (int i = 0; i < 16; ++i) {
        for (int16 &sample : chunk) {
            seed = seed * 1664525u + 1013904223u;
            sample = int16(int((seed >> 16) % 201) - 100);
        }
        if (ps_process_raw(decoder, chunk.data(), chunk.size(), FALSE, FALSE) < 0)
            return false;
    }
    if (ps_end_utt(decoder) < 0)
        return false;
    ps_get_hyp(decoder, nullptr);
    return true;
}

// pocketsphinx skips the lines of a dictionary that it cannot read, so a damaged one loads as an
// empty one: its first word must be there.
[[noreturn]] void checkInChild(const Paths &paths, const QByteArray &firstWord)
{
    // The parent's handlers, the crash reporter's among them, must not run for the child.
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS, SIGALRM})
        std::signal(signal, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    pthread_sigmask(SIG_SETMASK, &none, nullptr);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
    }
    alarm(checkTimeoutSeconds);
    err_set_callback(endChildOnFatalError, nullptr);
    ps_decoder_t *const decoder = newDecoder(paths);
    const bool sound = decoder && ps_lookup_word(decoder, firstWord.constData()) &&
                       decodesOneSecondOfNoise(decoder);
    _exit(sound ? EXIT_SUCCESS : EXIT_FAILURE);
}

// Comments start with "##" or ";;".
QByteArray firstWordOf(const QString &dictionary)
{
    QFile file(dictionary);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (!line.isEmpty() && !line.startsWith("##") && !line.startsWith(";;"))
            return line.split(' ').first().split('\t').first();
    }
    return {};
}

QString languageModelIn(const QString &folder)
{
    const QString binary = folder + u"/language-model.lm.bin"_s;
    return QFileInfo::exists(binary) ? binary : folder + u"/language-model.lm"_s;
}

bool isPlainLanguageCode(const QString &code)
{
    return !code.isEmpty() && code.size() <= 8 &&
           std::all_of(code.cbegin(), code.cend(),
                       [](QChar c) { return c.unicode() < 128 && c.isLetter(); });
}

} // namespace

std::optional<PocketSphinxModel> PocketSphinxModel::forLanguage(const QString &languageCode)
{
    const QString code = languageCode.toLower();
    if (!isPlainLanguageCode(code))
        return std::nullopt;
    const QString user = userModelsFolder() + u'/' + code;
    if (QFileInfo(user).isDir()) {
        return PocketSphinxModel(user, user + u"/acoustic-model"_s, languageModelIn(user),
                                 user + u"/dictionary.dict"_s);
    }
    const QString debian = u"/usr/share/pocketsphinx/model/en-us"_s;
    if (code == u"en"_s && QFileInfo(debian).isDir()) {
        return PocketSphinxModel(debian, debian + u"/en-us"_s, debian + u"/en-us.lm.bin"_s,
                                 debian + u"/cmudict-en-us.dict"_s);
    }
    return std::nullopt;
}

QString PocketSphinxModel::userModelsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           u"/voxlume/models"_s;
}

PocketSphinxModel::PocketSphinxModel(QString folder, QString acousticModel, QString languageModel,
                                     QString dictionary)
    : m_folder(std::move(folder))
    , m_acousticModel(std::move(acousticModel))
    , m_languageModel(std::move(languageModel))
    , m_dictionary(std::move(dictionary))
{}

bool PocketSphinxModel::isSound() const
{
    if (!isComplete())
        return false;
    const QByteArray firstWord = firstWordOf(m_dictionary);
    if (firstWord.isEmpty())
        return false;
    silenceLogging();
    const Paths paths{QFile::encodeName(m_acousticModel), QFile::encodeName(m_languageModel),
                      QFile::encodeName(m_dictionary)};
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0)
        checkInChild(paths, firstWord);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == EXIT_SUCCESS;
}

ps_decoder_s *PocketSphinxModel::load() const
{
    silenceLogging();
    return newDecoder({QFile::encodeName(m_acousticModel), QFile::encodeName(m_languageModel),
                       QFile::encodeName(m_dictionary)});
}

bool PocketSphinxModel::isComplete() const
{
    return QFileInfo(m_acousticModel).isDir() && QFileInfo(m_languageModel).isFile() &&
           QFileInfo(m_dictionary).isFile();
}
