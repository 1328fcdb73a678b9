// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// What a translation model tells its owner. Implemented by a QObject; the model holds it weakly.
class TranslationModelDelegate
{
public:
    virtual ~TranslationModelDelegate() = default;

    /// The current language pair is installed: translation can begin.
    virtual void translationModelDidBecomeReady() = 0;
};
