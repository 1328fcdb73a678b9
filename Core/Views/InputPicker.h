// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Platform/Audio/SoundServerProbe.h"

#include <QComboBox>
#include <QTimer>
#include <optional>

/// The choice of what to listen to: "Default microphone", each microphone by the sound server's
/// name for it, "Sound from this computer" (the default output's monitor) and "Microphone and
/// computer sound"; and a chosen device that is not connected, so that the choice is not lost from
/// sight. A picker of microphones offers the microphones alone.
///
/// The sound server is asked on another thread, never on the main one: when the picker is made,
/// when its list opens, and every few seconds while it is visible, so that a device plugged in or
/// out shows. Main thread.
class InputPicker : public QComboBox
{
    Q_OBJECT

public:
    /// One entry: what the setting selectedInputDevice holds for it, and its text.
    struct Choice
    {
        QString value;
        QString label;

        friend bool operator==(const Choice &, const Choice &) = default;
    };

    /// What a picker offers.
    enum class Offer { AnyInput, Microphones };

    /// The value of "Microphone and computer sound": not a device, as the microphone is chosen
    /// apart.
    static inline const QString microphoneAndComputerSound =
        QStringLiteral("@MICROPHONE_AND_COMPUTER_SOUND@");

    explicit InputPicker(Offer offer = Offer::AnyInput, QWidget *parent = nullptr);

    /// The entries that \a offer lists for the server's answer \a server (none when no server
    /// answered), with the value \a chosen stored.
    static QList<Choice> choices(Offer offer, const std::optional<SoundServerProbe::Answer> &server,
                                 const QString &chosen);

    /// The value of the entry shown as chosen.
    QString choice() const { return currentData().toString(); }
    /// Shows \a value as chosen, with an entry of its own if the server does not offer it.
    void setChoice(const QString &value);

    /// Asks the server again, unless a question is under way.
    void refresh();
    void showPopup() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void answered(const std::optional<SoundServerProbe::Answer> &server);
    void fill();

    const Offer m_offer;
    QTimer m_poll;
    std::optional<SoundServerProbe::Answer> m_server;
    QString m_chosen;
    bool m_asking = false;
};
