// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Models/AppServices.h"

#include <memory>

class AudioEngine;
class QtAudioEngine;

/// The program's real services: speech recognised by pocketsphinx, inputs of the sound server,
/// translation by Apertium, and the user's transcript store. Made once, at start, after the store
/// has been opened. Main thread.
AppServices programServices();

/// A reader of the input that the user chose in the settings, which follows a new choice while it
/// captures. Main thread.
std::unique_ptr<QtAudioEngine> chosenInputEngine();

/// The program's capture: the chosen input, with the computer's sound mixed in while the user
/// includes it. Main thread.
std::unique_ptr<AudioEngine> chosenAudioEngine();
