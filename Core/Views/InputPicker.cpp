// SPDX-License-Identifier: GPL-3.0-or-later
#include "InputPicker.h"

#include "Base/MainThreadRelay.h"
#include "Platform/Audio/AudioInputDevice.h"

#include <QPointer>

using namespace std::chrono_literals;

namespace {

// A server that answers at all answers within milliseconds; this only bounds a stuck one.
constexpr auto serverTimeout = 2s;
// Often enough that a headset plugged in shows before the user looks for it.
constexpr auto pollInterval = 3s;

} // namespace

InputPicker::InputPicker(Offer offer, QWidget *parent)
    : QComboBox(parent)
    , m_offer(offer)
{
    setAccessibleName(offer == Offer::AnyInput ? tr("Listen to") : tr("Microphone"));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_poll.setInterval(pollInterval);
    connect(&m_poll, &QTimer::timeout, this, &InputPicker::refresh);
    fill();
    refresh();
}

QList<InputPicker::Choice>
InputPicker::choices(Offer offer, const std::optional<SoundServerProbe::Answer> &server,
                     const QString &chosen)
{
    QList<Choice> entries{{QString(), tr("Default microphone")}};
    if (server) {
        for (const SoundServerProbe::Source &source : server->sources) {
            if (!source.isMonitor) {
                const QString id = QString::fromUtf8(source.name);
                entries.append({id, source.description.isEmpty() ? id : source.description});
            }
        }
        if (offer == Offer::AnyInput && server->source(server->defaultSinkMonitor()))
            entries.append({AudioInputDevice::soundOfThisComputer, tr("Sound from this computer")});
    }
    // Offered without an output too: the microphone is then heard alone, with a notice.
    if (offer == Offer::AnyInput)
        entries.append({microphoneAndComputerSound, tr("Microphone and computer sound")});
    const bool offered = std::any_of(entries.begin(), entries.end(),
                                     [&](const Choice &entry) { return entry.value == chosen; });
    if (!offered) {
        const QString name = chosen == AudioInputDevice::soundOfThisComputer
                                 ? tr("Sound from this computer")
                                 : chosen;
        entries.append({chosen, tr("%1 (not connected)").arg(name)});
    }
    return entries;
}

void InputPicker::setChoice(const QString &value)
{
    m_chosen = value;
    fill();
}

void InputPicker::refresh()
{
    if (std::exchange(m_asking, true))
        return;
    MainThreadRelay::instance().runInBackground(
        [] { return SoundServerProbe::ask(serverTimeout); },
        [picker = QPointer(this)](const std::optional<SoundServerProbe::Answer> &server) {
            if (picker)
                picker->answered(server);
        });
}

void InputPicker::showPopup()
{
    // The list opens at once with what is known; the answer updates it a moment later.
    refresh();
    QComboBox::showPopup();
}

void InputPicker::showEvent(QShowEvent *event)
{
    QComboBox::showEvent(event);
    m_poll.start();
}

void InputPicker::hideEvent(QHideEvent *event)
{
    QComboBox::hideEvent(event);
    m_poll.stop();
}

void InputPicker::answered(const std::optional<SoundServerProbe::Answer> &server)
{
    m_asking = false;
    m_server = server;
    fill();
}

void InputPicker::fill()
{
    const QList<Choice> entries = choices(m_offer, m_server, m_chosen);
    const QSignalBlocker quiet(this);
    bool same = entries.size() == count();
    for (int index = 0; same && index < count(); ++index)
        same = itemData(index).toString() == entries[index].value &&
               itemText(index) == entries[index].label;
    // Rebuilt only on a change, so that an open list keeps its highlighted entry.
    if (!same) {
        clear();
        for (const Choice &entry : entries)
            addItem(entry.label, entry.value);
    }
    setCurrentIndex(findData(m_chosen));
}
